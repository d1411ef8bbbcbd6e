// Where the program keeps its files: the settings file, the "Images" folder and the
// downloads sit beside the program file. When that folder cannot be written (an
// installed copy), they live in $XDG_CONFIG_HOME/nimbulux/ (default ~/.config/nimbulux/).
#pragma once

#include <string>

namespace nimbulux {

struct ProgramPaths {
  std::string programFile;  // full path of the program file
  std::string programDir;   // folder of the program file, no trailing "/"
  std::string baseName;     // program file name without folder and extension
  std::string dataDir;      // folder for settings, "Images" and downloads, no trailing "/"

  std::string SettingsFile() const { return dataDir + "/" + baseName + ".ini"; }
  std::string ImagesDir() const { return dataDir + "/Images"; }
};

// Builds the paths for a program file; decides dataDir by whether programDir is writable.
ProgramPaths MakeProgramPaths(const std::string& programFile);

// The process-wide paths, set once at start-up (tests set their temporary folder).
ProgramPaths& Paths();

}  // namespace nimbulux
