nimbulux_test(net_fetch_test NETWORK SOURCES net_fetch_test.cpp LIBS nb_http_fetch nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(net_picture_test SOURCES net_picture_test.cpp LIBS nb_picture_decoding nimbulux_portal_lib)
nimbulux_test(net_icon_cache_test NETWORK SOURCES net_icon_cache_test.cpp LIBS nb_icon_cache nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(conditions_test NETWORK SOURCES conditions_test.cpp LIBS nb_conditions nimbulux_portal_lib
  DEPENDS nimbulux-portal)
nimbulux_test(portal_server_test NETWORK SOURCES portal_server_test.cpp
  LIBS nb_http_fetch nb_city_directory nimbulux_portal_lib DEPENDS nimbulux-portal)
