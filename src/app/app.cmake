# The control form, the menu and the start-up; the program itself.
nimbulux_module(app GUI
  SOURCES control_form.cpp control_menu.cpp startup.cpp tray_bridge.cpp update_ui.cpp
          control_form_options.cpp control_form_commands.cpp
  LIBS nb_widget nb_widget_logic nb_interaction_logic nb_font_colour_dialog nb_settings_model nb_settings_file nb_options_dialog
       nb_city_directory nb_update_check nb_conditions nb_forecast nb_forecast_fetch nb_icon_cache
       nb_http_fetch nb_picture_decoding nb_portal nb_tray_icon nb_tray_gui nb_cpu_usage
       nb_weather_state nb_core Qt6::Widgets)

add_executable(nimbulux ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(nimbulux PRIVATE nb_app nimbulux_resources Qt6::Widgets xcb)
set_target_properties(nimbulux PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src/app
  AUTOMOC ON)
install(TARGETS nimbulux RUNTIME DESTINATION bin)
