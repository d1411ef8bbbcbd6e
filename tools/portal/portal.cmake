find_package(Threads REQUIRED)

# The forecast page may grow helper files of its own (forecast_page_*.cpp).
file(GLOB forecast_page_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/forecast_page*.cpp)

# The reply generators as a library, so tests can compare readers with generated values.
add_library(nimbulux_portal_lib STATIC
  ${CMAKE_CURRENT_LIST_DIR}/portal_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_replies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_options.cpp
  ${forecast_page_sources})
target_include_directories(nimbulux_portal_lib PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(nimbulux_portal_lib PUBLIC nimbulux_options Qt6::Gui)

add_executable(nimbulux-portal
  ${CMAKE_CURRENT_LIST_DIR}/portal_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_routes.cpp)
target_link_libraries(nimbulux-portal PRIVATE nimbulux_portal_lib PkgConfig::HTTPLIB Threads::Threads)
