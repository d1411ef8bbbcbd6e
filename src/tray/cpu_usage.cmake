nimbulux_module(cpu_usage SOURCES cpu_usage.cpp)
