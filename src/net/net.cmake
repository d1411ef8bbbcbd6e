nimbulux_module(http_fetch SOURCES http_fetch.cpp LIBS nb_core Qt6::Network)
nimbulux_module(picture_decoding SOURCES picture_decoding.cpp LIBS Qt6::Gui)
nimbulux_module(icon_cache SOURCES ../weather/icon_cache.cpp
  LIBS nb_core nb_weather_state nb_http_fetch nb_picture_decoding)
