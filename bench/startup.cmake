nimbulux_bench(startup_bench SOURCES startup_bench.cpp ../tests/support/portal_process.cpp LIBS)
target_include_directories(startup_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_dependencies(startup_bench nimbulux nimbulux-portal)
