nimbulux_test(core_text_test SOURCES core_text_test.cpp LIBS nb_core nb_weather_state)
