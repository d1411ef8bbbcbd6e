nimbulux_module(widget GUI
  SOURCES picture_box.cpp widget_window.cpp widget_mouse.cpp window_styles.cpp
          window_styles_x11.cpp
  LIBS nb_widget_logic nb_interaction_logic nb_forecast nb_core Qt6::Widgets xcb)
