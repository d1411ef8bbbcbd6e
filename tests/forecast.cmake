nimbulux_test(forecast_cleaning_test SOURCES forecast_cleaning_test.cpp LIBS nb_forecast)
nimbulux_test(forecast_parser_test SOURCES forecast_parser_test.cpp LIBS nb_forecast)
nimbulux_test(forecast_portal_test SOURCES forecast_portal_test.cpp
  LIBS nb_forecast nimbulux_portal_lib)
nimbulux_test(forecast_fetch_test NETWORK SOURCES forecast_fetch_test.cpp
  LIBS nb_forecast_fetch nimbulux_portal_lib DEPENDS nimbulux-portal)

# The fuzz target needs clang's libFuzzer; the gcc build leaves it out, and
# tests/fuzz/run_fuzz.sh builds it with clang directly. The readers are compiled into
# it so that libFuzzer sees their coverage.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(forecast_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz/forecast_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/weather/forecast_cleaning.cpp
    ${CMAKE_SOURCE_DIR}/src/weather/forecast_parser.cpp
    ${CMAKE_SOURCE_DIR}/src/weather/forecast_row.cpp
    ${CMAKE_SOURCE_DIR}/src/weather/weather_state.cpp
    ${CMAKE_SOURCE_DIR}/src/core/text.cpp)
  target_compile_features(forecast_fuzz PRIVATE cxx_std_20)
  target_include_directories(forecast_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(forecast_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(forecast_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(forecast_fuzz PRIVATE Qt6::Gui)
endif()
