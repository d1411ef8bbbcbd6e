#include "core/program_paths.h"

#include <unistd.h>

#include <QStandardPaths>

namespace nimbulux {

std::string ProgramPaths::EarlierSettingsFile() const {
  return dataDir == programDir ? std::string() : programDir + "/" + baseName + ".ini";
}

std::string ProgramPaths::EarlierImagesDir() const {
  return dataDir == programDir ? std::string() : programDir + "/Images";
}

ProgramPaths MakeProgramPaths(const std::string& programFile) {
  const auto slash = programFile.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : programFile.substr(0, slash);
  return MakeProgramPaths(programFile, access(dir.c_str(), W_OK) == 0);
}

ProgramPaths MakeProgramPaths(const std::string& programFile, bool programDirWritable) {
  ProgramPaths p;
  p.programFile = programFile;
  const auto slash = programFile.find_last_of('/');
  if (slash == std::string::npos) {
    p.programDir.assign(1, '.');
  } else if (slash == 0) {
    p.programDir.assign(1, '/');
  } else {
    p.programDir = programFile.substr(0, slash);
  }
  std::string name = slash == std::string::npos ? programFile : programFile.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  p.baseName = name;
  p.dataDir = p.programDir;
  if (!programDirWritable) p.dataDir = UserConfigFolder() + "/nimbulux";
  return p;
}

std::string UserConfigFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
}

std::string AutostartFolder() { return UserConfigFolder() + "/autostart"; }

std::string ExistingOrEarlier(const std::string& path, const std::string& earlier) {
  if (earlier.empty() || access(path.c_str(), F_OK) == 0) return path;
  return access(earlier.c_str(), F_OK) == 0 ? earlier : path;
}

ProgramPaths& Paths() {
  static ProgramPaths paths;
  return paths;
}

}  // namespace nimbulux
