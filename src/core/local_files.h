// Reading a file whole and making a folder with its parents: the two file-system steps
// that settings, autostart entries and the picture cache share.
#pragma once

#include <string>

namespace nimbulux {

enum class ReadResult {
  Ok,
  Missing,  // no such file (or a folder on the way is missing)
  Failed,   // there, but unreadable: a caller must not write over it as if it were empty
};

// Reads all bytes of the file into bytes (emptied first).
ReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// Creates the folder and any missing parents, each private to the user (mode 0700, as
// the XDG base directories ask); folders that exist are left as they are. True when the
// folder exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace nimbulux
