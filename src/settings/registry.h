// A small per-user registry with typed values, in place of the system registry the
// program was written for. Keys live in one file under $XDG_CONFIG_HOME/nimbulux/
// (default ~/.config/nimbulux/); the values of the Run key are the user's XDG autostart
// entries, so a program registered there really starts at login.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "core/text.h"

namespace nimbulux {

enum class RegistryRoot { CurrentUser };

inline constexpr int REG_SZ = 1;
inline constexpr int REG_DWORD = 4;

// Result codes, as the system registry gives them.
inline constexpr long kRegistrySuccess = 0;
inline constexpr long kRegistryNotFound = 2;
inline constexpr long kRegistryAccessDenied = 5;
inline constexpr long kRegistryWrongType = -1;  // a value of a type we do not read

// No value, a string (REG_SZ) or a 32-bit integer (REG_DWORD).
using RegistryValue = std::variant<std::monostate, Text, std::uint32_t>;

// The key whose values are the autostart entries.
inline constexpr char16_t kRunKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// An open key: which key of which root. Opening needs no access to the store yet.
struct RegistryKey {
  RegistryRoot root = RegistryRoot::CurrentUser;
  Text path;
};

// Opens a key; none for an empty or malformed path. Keys come into being with their
// first value.
std::optional<RegistryKey> OpenRegistryKey(RegistryRoot root, TextView path);

// Reads a value of an open key. The result code; value is set only on success (left as it
// was for a missing value or one of another type, which gives kRegistryWrongType).
long QueryValueEx(const RegistryKey& key, TextView name, RegistryValue& value);

// Writes a value (REG_SZ: value holds a string; REG_DWORD: an integer). Other types and
// mismatched values write nothing. The result code.
long SetValueEx(const RegistryKey& key, TextView name, int type, const RegistryValue& value);

// Removes a value; removing a missing value changes nothing. The result code.
long DeleteValueEx(const RegistryKey& key, TextView name);

// Open, act, close in one call.
RegistryValue QueryValue(RegistryRoot root, TextView keyPath, TextView name);
void SetKeyValue(RegistryRoot root, TextView keyPath, TextView name, const RegistryValue& value,
                 int type);
void DeleteValue(RegistryRoot root, TextView keyPath, TextView name);

// Where the store and the autostart entries live (from XDG_CONFIG_HOME or HOME, read at
// each call, so tests can point them at a temporary folder).
std::string RegistryStoreFile();
std::string AutostartFolder();

}  // namespace nimbulux
