nimbulux_module(widget_logic
  SOURCES refresh_cycle.cpp widget_layout.cpp state_dump.cpp
          ../app/command_line.cpp ../app/startup_rules.cpp ../app/platform_choice.cpp
  LIBS nb_core nb_weather_state)
