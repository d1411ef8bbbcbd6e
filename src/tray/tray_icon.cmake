nimbulux_module(tray_icon SOURCES tray_icon.cpp tray_icon_picture.cpp tray_colour_rules.cpp tray_actions.cpp
  LIBS nb_core nb_picture_decoding Qt6::Gui)
