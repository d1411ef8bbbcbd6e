find_package(Threads REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

# The forecast page may grow helper files of its own (forecast_page_*.cpp).
file(GLOB forecast_page_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/forecast_page*.cpp)

# The reply generators as a library, so tests can compare readers with generated values.
add_library(nimbulux_portal_lib STATIC
  ${CMAKE_CURRENT_LIST_DIR}/portal_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_replies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_mapping.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_translate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/forecast_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/place_codes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upstream_client.cpp
  ${forecast_page_sources})
target_include_directories(nimbulux_portal_lib PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(nimbulux_portal_lib PUBLIC nimbulux_options Qt6::Gui
  nlohmann_json::nlohmann_json PkgConfig::CURL)

add_executable(nimbulux-portal
  ${CMAKE_CURRENT_LIST_DIR}/portal_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_routes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_routes.cpp)
target_link_libraries(nimbulux-portal PRIVATE nimbulux_portal_lib PkgConfig::HTTPLIB Threads::Threads)

# The city directory is compiled in, so an installed portal needs no data path.
file(READ ${CMAKE_CURRENT_LIST_DIR}/cities.tsv NIMBULUX_CITY_TABLE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/city_table.h.in
  ${CMAKE_CURRENT_BINARY_DIR}/generated/city_table.h @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/cities.tsv ${CMAKE_CURRENT_LIST_DIR}/city_table.h.in)
target_include_directories(nimbulux_portal_lib PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
