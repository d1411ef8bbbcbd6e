nimbulux_module(interaction_logic
  SOURCES mouse_commands.cpp docking.cpp background_choice.cpp font_choice.cpp
  LIBS nb_core nb_widget_logic Qt6::Gui)
