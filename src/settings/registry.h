// The registry operations the autostart option is written against, over the one key it
// uses: the values of the current user's Run key are the user's XDG autostart entries
// ($XDG_CONFIG_HOME/autostart/<value name>.desktop), so a program registered there really
// starts at login. No other key exists.
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

// Result codes: success, no such value, no write access, and a value of another type.
inline constexpr long kRegistrySuccess = 0;
inline constexpr long kRegistryNotFound = 2;
inline constexpr long kRegistryAccessDenied = 5;
inline constexpr long kRegistryWrongType = -1;

// No value, a string (REG_SZ) or a 32-bit integer (REG_DWORD).
using RegistryValue = std::variant<std::monostate, Text, std::uint32_t>;

// The key whose values are the autostart entries.
inline constexpr char16_t kRunKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// An open key: the folder that holds its values.
struct RegistryKey {
  std::string folder;
};

// Opens the Run key (its path in any letter case); none for every other key.
std::optional<RegistryKey> OpenRegistryKey(RegistryRoot root, TextView path);

// Reads a value of an open key. The result code; value is set only on success (left as it
// was for a missing value or one of another type, which gives kRegistryWrongType).
long QueryValueEx(const RegistryKey& key, TextView name, RegistryValue& value);

// Writes a value (REG_SZ: value holds a string; REG_DWORD: an integer). Other types and
// mismatched values write nothing. The result code.
long SetValueEx(const RegistryKey& key, TextView name, int type, const RegistryValue& value);

// Open, act, close in one call; a key that cannot be opened leaves everything as it was.
RegistryValue QueryValue(RegistryRoot root, TextView keyPath, TextView name);
void SetKeyValue(RegistryRoot root, TextView keyPath, TextView name, const RegistryValue& value,
                 int type);
// Removing a missing value changes nothing.
void DeleteValue(RegistryRoot root, TextView keyPath, TextView name);

}  // namespace nimbulux
