nimbulux_module(autostart SOURCES autostart.cpp LIBS nb_core nb_registry)
