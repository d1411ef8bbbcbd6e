pkg_check_modules(HTTPLIB_TESTS REQUIRED IMPORTED_TARGET cpp-httplib)
nimbulux_test(portal_live_test SOURCES portal_live_test.cpp portal_fake_provider.cpp
  LIBS nimbulux_portal_lib PkgConfig::HTTPLIB_TESTS)
nimbulux_test(portal_live_server_test SOURCES portal_live_server_test.cpp portal_fake_provider.cpp
  LIBS nimbulux_portal_lib nb_forecast nb_conditions nb_city_directory PkgConfig::HTTPLIB_TESTS
  DEPENDS nimbulux-portal)
nimbulux_test(portal_live_e2e_test SOURCES portal_live_e2e_test.cpp portal_fake_provider.cpp
  e2e_support.cpp LIBS nb_core Qt6::Gui PkgConfig::HTTPLIB_TESTS DEPENDS nimbulux nimbulux-portal)
