nimbulux_module(update_check SOURCES update_check.cpp LIBS nb_core nb_http_fetch)
configure_file(${CMAKE_CURRENT_LIST_DIR}/update_channel.h.in
  ${CMAKE_BINARY_DIR}/generated/net/update_channel.h @ONLY)
target_include_directories(nimbulux_options INTERFACE ${CMAKE_BINARY_DIR}/generated)
