#include "settings/settings_file.h"

#include <vector>

#include "core/file_replace.h"
#include "core/gbk.h"
#include "core/local_files.h"
#include "core/program_paths.h"

namespace nimbulux {
namespace {

std::string& PathOverride() {
  static std::string path;
  return path;
}

// Names and values lose surrounding blanks and tabs.
bool IsIniBlank(char16_t c) { return c == u' ' || c == u'\t'; }

TextView TrimIni(TextView t) {
  std::size_t b = 0, e = t.size();
  while (b < e && IsIniBlank(t[b])) ++b;
  while (e > b && IsIniBlank(t[e - 1])) --e;
  return t.substr(b, e - b);
}

Text NameKey(TextView name) { return UpperCase(TrimIni(name)); }

// A value ends at its first NUL, and its line breaks become blanks so that it stays
// on its one line.
Text SanitizedValue(TextView value) {
  Text out(value.substr(0, value.find(u'\0')));
  for (auto& c : out) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  return out;
}

// One line of the file. Its raw bytes are kept so that lines we do not change (comments,
// unknown lines, other encodings) are written back exactly as they were.
struct Line {
  enum class Kind { Other, Section, Key };
  std::string raw;
  Kind kind = Kind::Other;
  Text name;   // upper-cased section or key name
  Text value;  // key lines: the value without surrounding blanks
};

// Most lines are plain ASCII; they need no trip through the code-page converter.
Text DecodeLine(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return TextFromGbk(bytes);
  }
  return Text(bytes.begin(), bytes.end());
}

Line ParseLine(std::string raw, bool first) {
  Line line;
  std::string_view bytes = raw;
  // A UTF-8 byte order mark left by an editor must not hide the first section.
  if (first && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const Text decoded = DecodeLine(bytes);
  const TextView t = TrimIni(decoded);
  if (t.starts_with(u'[')) {
    const auto close = t.find(u']');
    if (close != TextView::npos) {
      line.kind = Line::Kind::Section;
      line.name = NameKey(t.substr(1, close - 1));
    }
  } else if (!t.starts_with(u';') && !t.starts_with(u'#')) {
    const auto eq = t.find(u'=');
    if (eq != TextView::npos && !TrimIni(t.substr(0, eq)).empty()) {
      line.kind = Line::Kind::Key;
      line.name = NameKey(t.substr(0, eq));
      TextView value = t.substr(eq + 1);
      value = value.substr(0, value.find(u'\0'));
      line.value = Text(TrimIni(value));
    }
  }
  line.raw = std::move(raw);
  return line;
}

std::vector<Line> ParseLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    auto end = bytes.find('\n', pos);
    const bool last = end == std::string_view::npos;
    if (last) end = bytes.size();
    std::string_view raw = bytes.substr(pos, end - pos);
    if (raw.ends_with('\r')) raw.remove_suffix(1);
    lines.push_back(ParseLine(std::string(raw), lines.empty()));
    pos = last ? end : end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l.raw;
    out += "\r\n";
  }
  return out;
}

// [begin, end) of the first section with the given upper-cased name: the lines after its
// header up to the next header. begin is 0 when the section is missing.
struct SectionRange {
  std::size_t header = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  bool found = false;
};

SectionRange FindSection(const std::vector<Line>& lines, const Text& name) {
  SectionRange r;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Line::Kind::Section && lines[i].name == name) {
      r.found = true;
      r.header = i;
      r.begin = i + 1;
      r.end = r.begin;
      while (r.end < lines.size() && lines[r.end].kind != Line::Kind::Section) ++r.end;
      return r;
    }
  }
  return r;
}

}  // namespace

void SetSettingsFilePath(std::string path) { PathOverride() = std::move(path); }

std::string SettingsFilePath() {
  return PathOverride().empty() ? Paths().SettingsFile() : PathOverride();
}

std::string SettingsFileToRead() {
  if (!PathOverride().empty()) return PathOverride();
  return ExistingOrEarlier(Paths().SettingsFile(), Paths().EarlierSettingsFile());
}

SettingsSnapshot SettingsSnapshot::Load() {
  std::string bytes;
  ReadWholeFile(SettingsFileToRead(), bytes);
  return FromBytes(bytes);
}

SettingsSnapshot SettingsSnapshot::FromBytes(std::string_view bytes) {
  SettingsSnapshot s;
  std::map<Text, Text>* current = nullptr;
  for (auto& line : ParseLines(bytes)) {
    switch (line.kind) {
      case Line::Kind::Section: {
        // Only the first section of a name counts; a repeated header hides its keys.
        const auto [it, inserted] = s.sections_.try_emplace(line.name);
        current = inserted ? &it->second : nullptr;
        break;
      }
      case Line::Kind::Key:
        // Keys before any section belong to none; of two equal keys the first wins.
        if (current) current->try_emplace(std::move(line.name), std::move(line.value));
        break;
      case Line::Kind::Other:
        break;
    }
  }
  return s;
}

Text SettingsSnapshot::Read(TextView section, TextView key) const {
  const auto sec = sections_.find(NameKey(section));
  if (sec == sections_.end()) return {};
  const auto it = sec->second.find(NameKey(key));
  if (it == sec->second.end()) return {};
  Text value = it->second;
  if (value.size() > kMaxSettingLength) {
    value.resize(kMaxSettingLength);
    // Never end on half of a surrogate pair.
    if (value.back() >= 0xD800 && value.back() <= 0xDBFF) value.pop_back();
  }
  return value;
}

bool SettingsSnapshot::Has(TextView section, TextView key) const {
  const auto sec = sections_.find(NameKey(section));
  return sec != sections_.end() && sec->second.contains(NameKey(key));
}

Text ReadSetting(TextView section, TextView key) {
  return SettingsSnapshot::Load().Read(section, key);
}

bool WriteSetting(TextView section, TextView key, const std::optional<Text>& value) {
  const std::string path = SettingsFilePath();
  std::string before;
  // A file that exists but cannot be read is left alone rather than replaced by one
  // holding only this key. The first write of a settings file that still lives beside
  // a read-only program starts from that file's content.
  if (ReadWholeFile(SettingsFileToRead(), before) == ReadResult::Failed) return false;
  std::vector<Line> lines = ParseLines(before);

  const Text sectionName = Text(TrimIni(SanitizedValue(section)));
  const Text keyName = Text(TrimIni(SanitizedValue(key)));
  const Text sectionKey = UpperCase(sectionName);
  const Text keyKey = UpperCase(keyName);
  const SectionRange range = FindSection(lines, sectionKey);

  auto isThisKey = [&](const Line& l) { return l.kind == Line::Kind::Key && l.name == keyKey; };

  if (!value) {
    if (!range.found) return true;
    // Every copy goes, so that a second one cannot surface in place of the removed key.
    std::vector<Line> kept;
    kept.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i >= range.begin && i < range.end && isThisKey(lines[i])) continue;
      kept.push_back(std::move(lines[i]));
    }
    // Removing a key that is not there writes nothing.
    if (kept.size() == lines.size()) return true;
    lines = std::move(kept);
  } else {
    const Text text = SanitizedValue(*value);
    bool replaced = false;
    for (std::size_t i = range.begin; range.found && i < range.end; ++i) {
      if (isThisKey(lines[i])) {
        // The key keeps the spelling the file already has.
        const Text old = DecodeLine(lines[i].raw);
        const Text spelled(TrimIni(TextView(old).substr(0, old.find(u'='))));
        std::string raw = GbkFromText(spelled + u"=" + text);
        if (raw == lines[i].raw) return true;
        lines[i].raw = std::move(raw);
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      Line line;
      line.kind = Line::Kind::Key;
      line.raw = GbkFromText(keyName + u"=" + text);
      if (range.found) {
        // After the last non-blank line of the section, before blank separator lines.
        std::size_t at = range.begin;
        for (std::size_t i = range.begin; i < range.end; ++i) {
          if (!TrimIni(DecodeLine(lines[i].raw)).empty()) at = i + 1;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
      } else {
        Line header;
        header.kind = Line::Kind::Section;
        header.raw = GbkFromText(u"[" + sectionName + u"]");
        lines.push_back(std::move(header));
        lines.push_back(std::move(line));
      }
    }
  }

  return ReplaceFileAtomically(path, JoinLines(lines), Durability::Durable);
}

void StoreSetting(TextView section, TextView key, TextView value) {
  const Text current = ReadSetting(section, key);
  std::optional<Text> next;
  if (value != u"0") next = Text(value);
  // Compared as it would be stored, so that a value whose line breaks became blanks is
  // not rewritten on every call.
  const Text compared = next ? SanitizedValue(*next) : Text();
  if (UpperCase(compared) == UpperCase(current)) return;
  WriteSetting(section, key, next);
}

}  // namespace nimbulux
