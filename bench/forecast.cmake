nimbulux_bench(forecast_bench SOURCES forecast_bench.cpp LIBS nb_forecast nimbulux_portal_lib)
# The literal loops the fast cleaning is measured against live with the tests.
target_include_directories(forecast_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
