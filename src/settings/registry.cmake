nimbulux_module(registry SOURCES registry.cpp LIBS nb_core)
