nimbulux_module(font_colour_dialog GUI
  SOURCES font_colour_dialog.cpp
  LIBS nb_interaction_logic Qt6::Widgets)
