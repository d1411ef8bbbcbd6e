# The forecast page readers need no network; the fetch step adds HTTP and the icon cache.
nimbulux_module(forecast SOURCES forecast_cleaning.cpp forecast_parser.cpp forecast_row.cpp
  LIBS nb_core nb_weather_state nb_portal Qt6::Gui)
nimbulux_module(forecast_fetch SOURCES forecast_fetch.cpp
  LIBS nb_forecast nb_http_fetch nb_icon_cache nb_picture_decoding)
