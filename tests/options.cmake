nimbulux_test(options_dialog_test SOURCES options_dialog_test.cpp LIBS nb_options_dialog Qt6::Widgets)
