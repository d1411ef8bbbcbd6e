nimbulux_test(widget_logic_test SOURCES widget_logic_test.cpp LIBS nb_widget_logic)
nimbulux_test(widget_window_test SOURCES widget_window_test.cpp LIBS nb_widget nb_app nimbulux_resources Qt6::Widgets)
