// libFuzzer target over the settings file: any bytes on disk must parse, and a write
// must change only the key it names. Reads through the file and through a snapshot
// must agree.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/gbk.h"
#include "settings/settings_file.h"

namespace {

using namespace nimbulux;

// A key name taken from the input, so that keys the file really holds are read.
Text NameAt(const Text& text, std::size_t from) {
  const std::size_t end = text.find_first_of(u"=\n]", from);
  return text.substr(from, end == Text::npos ? 8 : end - from);
}

// A key name as the file compares it: blanks and tabs around it dropped, letter case aside.
Text PlainName(const Text& name) {
  const std::size_t first = name.find_first_not_of(u" \t");
  if (first == Text::npos) return {};
  const std::size_t last = name.find_last_not_of(u" \t");
  return UpperCase(TextView(name).substr(first, last - first + 1));
}

const std::string& FilePath() {
  static const std::string path = [] {
    // Memory-backed when the machine has /dev/shm: every write syncs the file.
    char folder[] = "/dev/shm/nimbulux-settings-fuzz-XXXXXX";
    char fallback[] = "/tmp/nimbulux-settings-fuzz-XXXXXX";
    if (mkdtemp(folder) != nullptr) return std::string(folder) + "/Nimbulux.ini";
    if (mkdtemp(fallback) == nullptr) std::abort();
    return std::string(fallback) + "/Nimbulux.ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  SetSettingsFilePath(FilePath());

  const Text text = TextFromGbk(bytes);
  const SettingsSnapshot snapshot = SettingsSnapshot::FromBytes(bytes);
  const Text section = size % 2 == 0 ? Text(kSystemSection) : Text(kCitySection);
  const Text key = NameAt(text, size > 0 ? data[0] % (text.size() + 1) : 0);
  const Text other = NameAt(text, size > 1 ? data[1] % (text.size() + 1) : 0);

  if (ReadSetting(section, key) != snapshot.Read(section, key)) std::abort();
  if (snapshot.Read(section, key).size() > kMaxSettingLength) std::abort();

  // The program writes only plain key names: none with control characters or characters
  // GBK cannot hold, and none that would itself read as a section or a comment line.
  const std::size_t start = key.find_first_not_of(u" \t");
  if (start == Text::npos || key[start] == u'[' || key[start] == u';' || key[start] == u'#') {
    return 0;
  }
  for (char16_t c : key) {
    if (c < u' ' && c != u'\t') return 0;
  }
  if (TextFromGbk(GbkFromText(key)) != key) return 0;

  const Text before = ReadSetting(section, other);
  const Text value = text.substr(0, 40);
  if (!WriteSetting(section, key, value)) std::abort();
  // The written key reads back as a single line; every other key keeps its value.
  if (ReadSetting(section, key).find(u'\n') != Text::npos) std::abort();
  if (PlainName(other) != PlainName(key) && ReadSetting(section, other) != before) {
    std::abort();
  }
  return 0;
}
