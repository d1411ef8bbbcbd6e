set(e2e_libs nb_core Qt6::Gui)
nimbulux_test(e2e_widget_test SOURCES e2e_widget_test.cpp e2e_support.cpp LIBS ${e2e_libs}
  DEPENDS nimbulux nimbulux-portal)
nimbulux_test(e2e_slow_test SOURCES e2e_slow_test.cpp e2e_support.cpp LIBS ${e2e_libs}
  DEPENDS nimbulux nimbulux-portal LABELS slow TIMEOUT 200)
nimbulux_test(e2e_portal_test SOURCES e2e_portal_test.cpp e2e_support.cpp
  LIBS ${e2e_libs} nimbulux_portal_lib nb_forecast nb_conditions
  DEPENDS nimbulux nimbulux-portal)
nimbulux_test(e2e_x11_test SOURCES e2e_x11_test.cpp e2e_support.cpp
  LIBS ${e2e_libs} nimbulux_portal_lib DEPENDS nimbulux nimbulux-portal)
nimbulux_test(e2e_widget_install_test SOURCES e2e_widget_install_test.cpp e2e_support.cpp
  LIBS ${e2e_libs} nimbulux_portal_lib DEPENDS nimbulux nimbulux-portal)
target_compile_definitions(e2e_widget_install_test PRIVATE NIMBULUX_CMAKE_COMMAND="${CMAKE_COMMAND}")
nimbulux_test(e2e_widget_tray_test SOURCES e2e_widget_tray_test.cpp e2e_support.cpp
  LIBS ${e2e_libs} DEPENDS nimbulux nimbulux-portal)
# Its clicks into menus and windows need the machine's attention: run alone, so that a busy
# neighbour (a package build, another X server) cannot make a click land before its menu.
set_tests_properties(e2e_x11_test PROPERTIES RUN_SERIAL ON)
