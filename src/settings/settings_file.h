// The settings file: an INI file of GBK bytes with sections "SYSTEM" and "CITY".
// Section and key names compare case-insensitively ("Currenty" reads what "CurrentY"
// wrote). A write replaces the whole file atomically, so a crash or a full disk never
// leaves half a file behind; a write that cannot be made (read-only file or folder)
// fails silently and the old values stay.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "core/text.h"

namespace nimbulux {

inline constexpr char16_t kSystemSection[] = u"SYSTEM";
inline constexpr char16_t kCitySection[] = u"CITY";

// Longest value a read returns; longer values are cut to it.
inline constexpr std::size_t kMaxSettingLength = 1439;

// The file every operation below works on. Until it is set, Paths().SettingsFile() is
// used (read at the time of each operation). An empty path restores that default.
void SetSettingsFilePath(std::string path);
std::string SettingsFilePath();
// The file reads come from: SettingsFilePath(), or while that does not exist yet, the
// settings file beside a read-only program.
std::string SettingsFileToRead();

// The value of a key; the empty text when the file, the section or the key is missing.
// Blanks around the value are dropped; of two equal keys the first wins.
Text ReadSetting(TextView section, TextView key);

// Writes the key unconditionally, creating the file and appending the section when they
// are missing. No value (nullopt, not an empty text) removes the key; removing a key
// that is not there writes nothing. Line breaks in the value are stored as blanks so
// that a value can never start a key or section of its own; a NUL ends the value.
// Returns whether the file now holds the change (callers may ignore it).
bool WriteSetting(TextView section, TextView key, const std::optional<Text>& value);

// Writes only what changes: "0" means removal, and a value equal to the stored one
// apart from letter case (a missing key counting as empty) is not written.
void StoreSetting(TextView section, TextView key, TextView value);

// The whole file parsed once, for a reader that needs many keys (the start-up reads
// them all). Reads behave exactly like ReadSetting on the file as it was when loaded.
class SettingsSnapshot {
 public:
  static SettingsSnapshot Load();
  // Parses GBK file bytes (for a file not at the settings path, or for tests).
  static SettingsSnapshot FromBytes(std::string_view bytes);

  Text Read(TextView section, TextView key) const;
  // Whether the key is present (with any value, empty included).
  bool Has(TextView section, TextView key) const;

 private:
  // Upper-cased section -> upper-cased key -> value as stored (first occurrence).
  std::map<Text, std::map<Text, Text>> sections_;
};

}  // namespace nimbulux
