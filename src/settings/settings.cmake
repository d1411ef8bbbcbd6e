nimbulux_module(settings_file SOURCES settings_file.cpp LIBS nb_core)
nimbulux_module(settings_model SOURCES settings_model.cpp LIBS nb_core nb_settings_file)
