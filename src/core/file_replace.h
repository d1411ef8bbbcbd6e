// Replacing a file as a whole, so that readers and a crash see the old or the new
// content, never a mixture.
#pragma once

#include <string>
#include <string_view>

namespace nimbulux {

enum class Durability {
  // The new name, too, reaches the disk before the call returns (its folder is
  // synced): for the user's settings and downloads.
  Durable,
  // Only the all-or-nothing replacement: for files rewritten often and cheap to lose,
  // such as diagnostics and cached pictures.
  Quick,
};

// Writes bytes to a temporary file beside path and renames it over path. Through a
// symbolic link the file it points at is replaced. An existing file that is not
// writable is left alone and the call fails; its permission bits are kept otherwise.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, Durability durability);

}  // namespace nimbulux
