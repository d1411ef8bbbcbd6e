nimbulux_bench(startup_bench SOURCES startup_bench.cpp ../tests/support/portal_process.cpp
  ../tests/support/xvfb.cpp LIBS)
target_include_directories(startup_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The yardstick: a bare Qt window of the widget's size.
add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE nimbulux_options Qt6::Widgets)
add_dependencies(startup_bench nimbulux nimbulux-portal bare_window)
