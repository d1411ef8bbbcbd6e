nimbulux_module(core SOURCES text.cpp gbk.cpp clock.cpp program_paths.cpp file_replace.cpp
  local_files.cpp LIBS Qt6::Core)
