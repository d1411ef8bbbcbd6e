nimbulux_test(e2e_fetch_wait_test SOURCES e2e_fetch_wait_test.cpp e2e_support.cpp
  LIBS nb_core Qt6::Gui xcb LABELS e2e DEPENDS nimbulux nimbulux-portal)
