nimbulux_module(weather_state SOURCES weather_state.cpp LIBS nb_core)
