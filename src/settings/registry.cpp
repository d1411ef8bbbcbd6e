#include "settings/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/file_replace.h"
#include "core/local_files.h"
#include "core/program_paths.h"

namespace nimbulux {
namespace {

// The text the entry stands for, kept beside Exec because Exec holds it quoted.
constexpr char kCommandKey[] = "X-Nimbulux-Command";
// A number cannot start a program: its entry is hidden and carries the number here.
constexpr char kNumberKey[] = "X-Nimbulux-Number";

// A value name that can serve as a file name in the autostart folder.
bool UsableEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// Value names are compared without regard to letter case, so the entry of a value may
// be spelt otherwise on disk; empty when there is none.
std::string FindEntry(const RegistryKey& key, const std::string& name) {
  const QString wanted = QString::fromStdString(name + ".desktop");
  const QDir folder(QString::fromStdString(key.folder));
  if (QFileInfo(folder, wanted).isFile()) return key.folder + "/" + wanted.toStdString();
  for (const QString& file : folder.entryList(QDir::Files | QDir::Hidden)) {
    if (file.compare(wanted, Qt::CaseInsensitive) == 0) {
      return key.folder + "/" + file.toStdString();
    }
  }
  return {};
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

// The value an entry holds: its number, else (unless hidden) its command, else none.
RegistryValue ReadEntry(const std::string& file) {
  std::string bytes;
  if (file.empty() || ReadWholeFile(file, bytes) != ReadResult::Ok) return {};
  std::optional<std::string> exec, command, number;
  bool hidden = false;
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
    std::string name = line.substr(0, eq);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    if (name == "Hidden") hidden = value == "true";
    if (name == "Exec" && !exec) exec = DesktopUnescape(value);
    if (name == kCommandKey && !command) command = DesktopUnescape(value);
    if (name == kNumberKey && !number) number = value;
  }
  if (number) {
    bool ok = false;
    const uint parsed = QString::fromStdString(*number).toUInt(&ok);
    if (ok) return std::uint32_t{parsed};
    return {};
  }
  if (hidden) return {};
  if (command) return FromUtf8(*command);
  if (exec) return FromUtf8(*exec);
  return {};
}

}  // namespace

std::optional<RegistryKey> OpenRegistryKey(RegistryRoot root, TextView path) {
  if (root != RegistryRoot::CurrentUser || UpperCase(path) != UpperCase(kRunKeyPath)) {
    return std::nullopt;
  }
  return RegistryKey{AutostartFolder()};
}

long QueryValueEx(const RegistryKey& key, TextView name, RegistryValue& value) {
  const std::string valueName = ToUtf8(name);
  if (!UsableEntryName(valueName)) return kRegistryNotFound;
  RegistryValue stored = ReadEntry(FindEntry(key, valueName));
  if (std::holds_alternative<std::monostate>(stored)) return kRegistryNotFound;
  value = std::move(stored);
  return kRegistrySuccess;
}

long SetValueEx(const RegistryKey& key, TextView name, int type, const RegistryValue& value) {
  const bool text = type == REG_SZ && std::holds_alternative<Text>(value);
  const bool number = type == REG_DWORD && std::holds_alternative<std::uint32_t>(value);
  if (!text && !number) return kRegistryWrongType;
  const std::string valueName = ToUtf8(name);
  if (!UsableEntryName(valueName)) return kRegistryAccessDenied;
  std::string entry = "[Desktop Entry]\nType=Application\nName=" + DesktopEscape(valueName) + "\n";
  if (text) {
    const std::string command = ToUtf8(std::get<Text>(value));
    entry += "Exec=" + ExecArgument(command) + "\n" + kCommandKey + "=" + DesktopEscape(command) +
             "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  } else {
    entry += std::string("Hidden=true\n") + kNumberKey + "=" +
             std::to_string(std::get<std::uint32_t>(value)) + "\n";
  }
  // The entry of the same value in another letter case is the one replaced.
  const std::string existing = FindEntry(key, valueName);
  if (existing.empty() && !MakeFolders(key.folder)) return kRegistryAccessDenied;
  const std::string file = existing.empty() ? key.folder + "/" + valueName + ".desktop" : existing;
  return ReplaceFileAtomically(file, entry, Durability::Durable) ? kRegistrySuccess
                                                                 : kRegistryAccessDenied;
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
  const std::optional<RegistryKey> key = OpenRegistryKey(root, keyPath);
  const std::string valueName = ToUtf8(name);
  if (!key || !UsableEntryName(valueName)) return;
  if (const std::string file = FindEntry(*key, valueName); !file.empty()) {
    QFile::remove(QString::fromStdString(file));
  }
}

}  // namespace nimbulux
