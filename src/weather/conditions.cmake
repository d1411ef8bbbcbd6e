nimbulux_module(conditions SOURCES conditions.cpp LIBS nb_core nb_weather_state nb_http_fetch nb_portal)
