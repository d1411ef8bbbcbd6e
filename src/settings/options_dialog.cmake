nimbulux_module(options_dialog GUI SOURCES options_dialog.cpp
  LIBS Qt6::Widgets nb_core nb_city_directory nb_autostart nb_settings_file nb_settings_model nb_tray_icon)
