nimbulux_test(e2e_options_test SOURCES e2e_options_test.cpp e2e_support.cpp
  LIBS nb_app nb_options_dialog nb_update_check nb_settings_file nb_city_directory nb_core
       nimbulux_resources Qt6::Widgets
  DEPENDS nimbulux nimbulux-portal)
