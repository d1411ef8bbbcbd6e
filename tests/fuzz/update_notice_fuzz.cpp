// libFuzzer target over the update notice: its version line becomes part of a file
// name, so whatever the notice says, an accepted version is short and made of digits and
// dots only; the change list gives whole entries of the notice, each with its version.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbulux;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Text notice = FromUtf8(bytes);
  const std::vector<Text> lines = Split(notice, u"\r\n");
  const Text versionLine = lines.empty() ? Text() : lines[0];
  const Text address = lines.size() > 1 ? lines[1] : Text();
  const Text changeList = lines.size() > 2 ? lines[2] : Text();

  if (NoticeVersionNumber(versionLine)) {
    if (versionLine.size() >= 10) std::abort();
    for (char16_t c : versionLine) {
      if (c != u'.' && (c < u'0' || c > u'9')) std::abort();
    }
  }
  for (const Text& change : NewerChanges(changeList, OwnVersionNumber())) {
    if (change.find(u'[') == Text::npos || changeList.find(change) == Text::npos) {
      std::abort();
    }
  }
  (void)DownloadQuestion(versionLine, NewerChanges(changeList, 0));
  (void)AnnouncedVersion(notice);
  (void)IsWebAddress(address);
  (void)LooksLikeRarArchive(bytes);
  return 0;
}
