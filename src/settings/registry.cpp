#include "settings/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/file_replace.h"

namespace nimbulux {
namespace {

constexpr char kSzTag[] = "sz:";
constexpr char kDwordTag[] = "dword:";
constexpr char kCommandKey[] = "X-Nimbulux-Command";

struct StoredValue {
  std::string name;  // UTF-8
  int type = REG_SZ;
  std::string data;  // UTF-8 text or decimal digits
};

struct StoredKey {
  std::string path;  // UTF-8, as first written
  std::vector<StoredValue> values;
};

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config";
  return {};
}

bool SameName(const std::string& a, const std::string& b) {
  return UpperCase(FromUtf8(a)) == UpperCase(FromUtf8(b));
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::string partial;
  std::size_t from = 0;
  while (from <= folder.size()) {
    const std::size_t slash = folder.find('/', from);
    partial = folder.substr(0, slash == std::string::npos ? folder.size() : slash);
    if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  struct stat info {};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return true;
}

// Creates the folders on the way, then replaces the file in one step, so that a crash
// never leaves half a file behind.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || !MakeFolders(path.substr(0, slash))) return false;
  return ReplaceFileAtomically(path, bytes, Durability::Durable);
}

// Names and values are kept on one line each; the few characters that would break the
// line structure are written as %XX.
std::string Escape(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c == '%' || c == '=' || c == '\r' || c == '\n' || c == '[' || c == ']' || c == ';' ||
        c < 0x20) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string digits = text.substr(i + 1, 2);
      char* end = nullptr;
      const long value = std::strtol(digits.c_str(), &end, 16);
      if (end == digits.c_str() + 2) {
        out += static_cast<char>(value);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<StoredKey> ParseStore(const std::string& bytes) {
  std::vector<StoredKey> keys;
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find('\n', from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      keys.push_back({Unescape(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (keys.empty() || eq == std::string::npos) continue;
    StoredValue value;
    value.name = Unescape(line.substr(0, eq));
    const std::string rest = line.substr(eq + 1);
    if (rest.rfind(kSzTag, 0) == 0) {
      value.type = REG_SZ;
      value.data = Unescape(rest.substr(sizeof kSzTag - 1));
    } else if (rest.rfind(kDwordTag, 0) == 0) {
      value.type = REG_DWORD;
      value.data = rest.substr(sizeof kDwordTag - 1);
    } else {
      continue;
    }
    keys.back().values.push_back(std::move(value));
  }
  return keys;
}

std::string FormatStore(const std::vector<StoredKey>& keys) {
  std::string out = "; Nimbulux per-user registry\n";
  for (const StoredKey& key : keys) {
    if (key.values.empty()) continue;
    out += "[" + Escape(key.path) + "]\n";
    for (const StoredValue& value : key.values) {
      out += Escape(value.name) + "=" + (value.type == REG_DWORD ? kDwordTag : kSzTag) +
             (value.type == REG_DWORD ? value.data : Escape(value.data)) + "\n";
    }
  }
  return out;
}

std::vector<StoredKey> LoadStore() {
  std::string bytes;
  if (!ReadWholeFile(RegistryStoreFile(), bytes)) return {};
  return ParseStore(bytes);
}

StoredKey* FindKey(std::vector<StoredKey>& keys, const std::string& path) {
  for (StoredKey& key : keys) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

bool IsRunKey(const RegistryKey& key) {
  return key.root == RegistryRoot::CurrentUser && UpperCase(key.path) == UpperCase(kRunKeyPath);
}

// A value name that can serve as a file name in the autostart folder.
bool UsableEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// The autostart entry of a value, found without regard to letter case; empty when none.
std::string FindAutostartEntry(const std::string& name) {
  const std::string folder = AutostartFolder();
  const std::string wanted = name + ".desktop";
  struct stat info {};
  if (stat((folder + "/" + wanted).c_str(), &info) == 0) return folder + "/" + wanted;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (const dirent* entry = readdir(dir)) {
    if (SameName(entry->d_name, wanted)) {
      found = folder + "/" + entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// String values of desktop entries escape \s \n \t \r and the backslash.
std::string DesktopUnescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string DesktopEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

// The command as one quoted argument of an Exec line.
std::string ExecArgument(const std::string& command) {
  std::string quoted = "\"";
  for (char c : command) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return DesktopEscape(quoted);
}

// The command text of an autostart entry; none when the entry is missing or disabled.
std::optional<std::string> ReadAutostartEntry(const std::string& file) {
  std::string bytes;
  if (file.empty() || !ReadWholeFile(file, bytes)) return std::nullopt;
  std::optional<std::string> exec, command;
  bool inMainGroup = false;
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find('\n', from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!inMainGroup || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::string value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    if (key == "Hidden" && value == "true") return std::nullopt;
    if (key == "Exec" && !exec) exec = DesktopUnescape(value);
    if (key == kCommandKey && !command) command = DesktopUnescape(value);
  }
  if (command) return command;
  return exec;
}

bool WriteAutostartEntry(const std::string& name, const std::string& command) {
  std::string existing = FindAutostartEntry(name);
  const std::string file =
      existing.empty() ? AutostartFolder() + "/" + name + ".desktop" : existing;
  const std::string entry = "[Desktop Entry]\nType=Application\nName=" + DesktopEscape(name) +
                            "\nExec=" + ExecArgument(command) + "\n" + kCommandKey + "=" +
                            DesktopEscape(command) +
                            "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  return ReplaceFile(file, entry);
}

bool RemoveAutostartEntry(const std::string& name) {
  const std::string file = FindAutostartEntry(name);
  return file.empty() || unlink(file.c_str()) == 0 || errno == ENOENT;
}

bool RemoveStoredValue(const std::string& path, const std::string& name) {
  std::vector<StoredKey> keys = LoadStore();
  StoredKey* key = FindKey(keys, path);
  if (!key) return true;
  const std::size_t before = key->values.size();
  std::erase_if(key->values, [&](const StoredValue& v) { return SameName(v.name, name); });
  if (key->values.size() == before) return true;
  return ReplaceFile(RegistryStoreFile(), FormatStore(keys));
}

}  // namespace

std::string RegistryStoreFile() {
  const std::string home = ConfigHome();
  return home.empty() ? std::string() : home + "/nimbulux/registry";
}

std::string AutostartFolder() {
  const std::string home = ConfigHome();
  return home.empty() ? std::string() : home + "/autostart";
}

std::optional<RegistryKey> OpenRegistryKey(RegistryRoot root, TextView path) {
  if (path.empty() || path.front() == u'\\' || path.back() == u'\\') return std::nullopt;
  if (path.find(u"\\\\") != TextView::npos) return std::nullopt;
  if (RegistryStoreFile().empty()) return std::nullopt;
  return RegistryKey{root, Text(path)};
}

long QueryValueEx(const RegistryKey& key, TextView name, RegistryValue& value) {
  const std::string valueName = ToUtf8(name);
  if (IsRunKey(key) && UsableEntryName(valueName)) {
    if (std::optional<std::string> command = ReadAutostartEntry(FindAutostartEntry(valueName))) {
      value = FromUtf8(*command);
      return kRegistrySuccess;
    }
  }
  std::vector<StoredKey> keys = LoadStore();
  const StoredKey* stored = FindKey(keys, ToUtf8(key.path));
  if (!stored) return kRegistryNotFound;
  for (const StoredValue& v : stored->values) {
    if (!SameName(v.name, valueName)) continue;
    if (v.type == REG_SZ) {
      value = FromUtf8(v.data);
      return kRegistrySuccess;
    }
    if (v.type == REG_DWORD) {
      char* end = nullptr;
      const unsigned long number = std::strtoul(v.data.c_str(), &end, 10);
      if (end == v.data.c_str() || number > 0xFFFFFFFFul) return kRegistryWrongType;
      value = static_cast<std::uint32_t>(number);
      return kRegistrySuccess;
    }
    return kRegistryWrongType;
  }
  return kRegistryNotFound;
}

long SetValueEx(const RegistryKey& key, TextView name, int type, const RegistryValue& value) {
  if (type == REG_SZ && !std::holds_alternative<Text>(value)) return kRegistryWrongType;
  if (type == REG_DWORD && !std::holds_alternative<std::uint32_t>(value)) return kRegistryWrongType;
  if (type != REG_SZ && type != REG_DWORD) return kRegistryWrongType;
  const std::string valueName = ToUtf8(name);
  const std::string path = ToUtf8(key.path);
  if (IsRunKey(key)) {
    if (!UsableEntryName(valueName)) return kRegistryAccessDenied;
    if (type == REG_SZ) {
      if (!WriteAutostartEntry(valueName, ToUtf8(std::get<Text>(value)))) {
        return kRegistryAccessDenied;
      }
      return RemoveStoredValue(path, valueName) ? kRegistrySuccess : kRegistryAccessDenied;
    }
    // A number cannot start a program: it is kept in the store, and an entry of the same
    // name that could is withdrawn.
    if (!RemoveAutostartEntry(valueName)) return kRegistryAccessDenied;
  }
  std::vector<StoredKey> keys = LoadStore();
  StoredKey* stored = FindKey(keys, path);
  if (!stored) {
    keys.push_back({path, {}});
    stored = &keys.back();
  }
  StoredValue newValue{valueName, type,
                       type == REG_SZ ? ToUtf8(std::get<Text>(value))
                                      : std::to_string(std::get<std::uint32_t>(value))};
  bool replaced = false;
  for (StoredValue& v : stored->values) {
    if (SameName(v.name, valueName)) {
      newValue.name = v.name;
      v = newValue;
      replaced = true;
      break;
    }
  }
  if (!replaced) stored->values.push_back(std::move(newValue));
  return ReplaceFile(RegistryStoreFile(), FormatStore(keys)) ? kRegistrySuccess
                                                             : kRegistryAccessDenied;
}

long DeleteValueEx(const RegistryKey& key, TextView name) {
  const std::string valueName = ToUtf8(name);
  bool ok = true;
  if (IsRunKey(key) && UsableEntryName(valueName)) ok = RemoveAutostartEntry(valueName);
  ok = RemoveStoredValue(ToUtf8(key.path), valueName) && ok;
  return ok ? kRegistrySuccess : kRegistryAccessDenied;
}

RegistryValue QueryValue(RegistryRoot root, TextView keyPath, TextView name) {
  RegistryValue value;
  if (std::optional<RegistryKey> key = OpenRegistryKey(root, keyPath)) {
    QueryValueEx(*key, name, value);
  }
  return value;
}

void SetKeyValue(RegistryRoot root, TextView keyPath, TextView name, const RegistryValue& value,
                 int type) {
  if (std::optional<RegistryKey> key = OpenRegistryKey(root, keyPath)) {
    SetValueEx(*key, name, type, value);
  }
}

void DeleteValue(RegistryRoot root, TextView keyPath, TextView name) {
  if (std::optional<RegistryKey> key = OpenRegistryKey(root, keyPath)) DeleteValueEx(*key, name);
}

}  // namespace nimbulux
