nimbulux_test(update_check_test NETWORK SOURCES update_check_test.cpp LIBS nb_update_check DEPENDS nimbulux-portal)
