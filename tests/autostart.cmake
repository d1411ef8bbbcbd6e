nimbulux_test(autostart_test SOURCES autostart_test.cpp LIBS nb_autostart)
