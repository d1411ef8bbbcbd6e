nimbulux_test(net_fetch_test SOURCES net_fetch_test.cpp LIBS nb_http_fetch nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(net_picture_test SOURCES net_picture_test.cpp LIBS nb_picture_decoding nimbulux_portal_lib)
nimbulux_test(net_icon_cache_test SOURCES net_icon_cache_test.cpp LIBS nb_icon_cache nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(conditions_test SOURCES conditions_test.cpp LIBS nb_conditions nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(portal_server_test SOURCES portal_server_test.cpp
  LIBS nb_http_fetch nb_city_directory nimbulux_portal_lib DEPENDS nimbulux-portal)
nimbulux_test(net_plain_http_test SOURCES net_plain_http_test.cpp LIBS nb_http_fetch nb_plain_http
  DEPENDS nimbulux-portal)

# Fuzz target for the plain HTTP reply reader (clang's libFuzzer only, like forecast_fuzz).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(plain_http_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz/plain_http_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/src/net/plain_http.cpp)
  target_compile_features(plain_http_fuzz PRIVATE cxx_std_20)
  target_include_directories(plain_http_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(plain_http_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(plain_http_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
