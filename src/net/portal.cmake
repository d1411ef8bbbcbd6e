nimbulux_module(portal SOURCES portal.cpp LIBS nb_core)
