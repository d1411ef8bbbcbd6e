nimbulux_module(tray_gui GUI SOURCES tray_gui.cpp LIBS nb_tray_icon nb_cpu_usage Qt6::Widgets)
