# Placeholder until the portal server lands.
add_executable(nimbulux-portal ${CMAKE_CURRENT_LIST_DIR}/portal_main.cpp)
target_link_libraries(nimbulux-portal PRIVATE nimbulux_options)
