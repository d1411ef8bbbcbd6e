// Where the program keeps its files: the settings file, the "Images" folder and the
// downloads sit beside the program file. When that folder cannot be written (an
// installed copy), they live in $XDG_CONFIG_HOME/nimbulux/ (default ~/.config/nimbulux/);
// files that already sit beside the program are still read from there until a copy of
// their own exists in that folder, so a copy carried to a read-only place loses nothing.
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

  // The files beside the program, read while dataDir has no copy of its own; empty
  // when dataDir is the program's folder.
  std::string EarlierSettingsFile() const;
  std::string EarlierImagesDir() const;
};

// Builds the paths for a program file; decides dataDir by whether programDir is writable.
ProgramPaths MakeProgramPaths(const std::string& programFile);
// The same with the decision given (tests; a folder root cannot be refused by mode bits).
ProgramPaths MakeProgramPaths(const std::string& programFile, bool programDirWritable);

// The file to read: path when it exists, else earlier when that is given and exists,
// else path.
std::string ExistingOrEarlier(const std::string& path, const std::string& earlier);

// The user's configuration folder ($XDG_CONFIG_HOME, default ~/.config) and the folder of
// the entries started at login in it; read at each call, so tests can point them at a
// temporary folder.
std::string UserConfigFolder();
std::string AutostartFolder();

// The process-wide paths, set once at start-up (tests set their temporary folder).
ProgramPaths& Paths();

}  // namespace nimbulux
