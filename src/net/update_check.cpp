#include "net/update_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "core/file_replace.h"
#include "core/gbk.h"
#include "core/program_paths.h"
#include "net/host_lookup.h"
#include "net/http_fetch.h"
#include "net/update_channel.h"

namespace nimbulux {
namespace {

Text FromVariable(const char* name, TextView fallback) {
  const char* value = std::getenv(name);
  return value && *value ? FromUtf8(value) : Text(fallback);
}

bool AllDigits(TextView text) {
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// One part of a version read by the numeric rule. A reply may send any number; beyond a
// billion either way it is held there, so that the version arithmetic cannot overflow.
long PartNumber(TextView part) {
  const double number = LeadingNumber(part);
  if (std::isnan(number)) return 0;
  return static_cast<long>(std::clamp(number, -1e9, 1e9));
}

// Three parts read by the numeric rule; fewer than three: none.
std::optional<long> NumberOfParts(const std::vector<Text>& parts) {
  if (parts.size() < 3) return std::nullopt;
  return VersionNumber(PartNumber(parts[0]), PartNumber(parts[1]), PartNumber(parts[2]));
}

// Writes the archive in one step, so that an earlier archive of the same name is either
// kept or wholly replaced.
bool SaveFile(const std::string& path, const std::string& bytes) {
  return ReplaceFileAtomically(path, bytes, Durability::Durable);
}

}  // namespace

Text BuiltInUpdateHost() { return FromUtf8(NIMBULUX_BUILTIN_UPDATE_HOST); }
Text BuiltInUpdatePage() { return FromUtf8(NIMBULUX_BUILTIN_UPDATE_PAGE); }

Text UpdateHostFromEnvironment() {
  return FromVariable("NIMBULUX_UPDATE_HOST", BuiltInUpdateHost());
}
Text UpdatePageFromEnvironment() {
  return FromVariable("NIMBULUX_UPDATE_PAGE", BuiltInUpdatePage());
}

Text ResolveHostToAddress(TextView hostName) {
  const Text address = LookUpIPv4Address(hostName);
  return address.empty() ? Text(kLookupFailedAddress) : address;
}

long VersionNumber(long major, long minor, long revision) {
  return major * 10000 + minor * 100 + revision;
}

long OwnVersionNumber() {
  return VersionNumber(NIMBULUX_VERSION_MAJOR, NIMBULUX_VERSION_MINOR, NIMBULUX_VERSION_PATCH);
}

long AnnouncedVersion(TextView address) {
  const std::vector<Text> parts = Split(address, u".");
  auto part = [&](std::size_t i) { return i < parts.size() ? PartNumber(parts[i]) : 0L; };
  return part(0) * 10000 + part(1) * 100 + part(3);
}

std::optional<long> NoticeVersionNumber(TextView line) {
  if (line.size() >= 10) return std::nullopt;
  const std::vector<Text> parts = Split(line, u".");
  if (parts.size() != 3) return std::nullopt;
  for (const Text& part : parts) {
    if (!AllDigits(part)) return std::nullopt;
  }
  return NumberOfParts(parts);
}

std::vector<Text> NewerChanges(TextView changeList, long own) {
  std::vector<Text> listed;
  for (const Text& entry : Split(changeList, u"`")) {
    Text rest = entry;
    const std::optional<long> version = NumberOfParts(Split(TextBetween(rest, u"[", u"]"), u"."));
    if (version && *version > own) listed.push_back(entry);
  }
  return listed;
}

Text DownloadQuestion(TextView version, const std::vector<Text>& changes) {
  Text detail = u"\r\n";
  for (const Text& entry : changes) detail += entry + u"\r\n";
  return u"最新版本是" + Text(version) + u"\r\n" + detail + u"\r\n" + u"是否下载更新？";
}

bool LooksLikeRarArchive(std::string_view bytes) {
  return bytes.size() >= 3 && (bytes[0] | 0x20) == 'r' && (bytes[1] | 0x20) == 'a' &&
         (bytes[2] | 0x20) == 'r';
}

bool IsWebAddress(TextView url) {
  const Text lower = LowerCase(url);
  return (lower.starts_with(u"http://") && lower.size() > 7) ||
         (lower.starts_with(u"https://") && lower.size() > 8);
}

void CheckForUpdate(bool interactive, UpdateUi& ui, const UpdateCheckSettings& settings) {
  if (settings.updatePage.empty()) {
    if (interactive) ui.Say(kCheckFailed, MessageKind::Error);
    return;
  }
  ui.SetControlFormEnabled(false);
  const long own = settings.ownVersion;
  const Text address = settings.resolve && !settings.updateHost.empty()
                           ? settings.resolve(settings.updateHost)
                           : Text(kLookupFailedAddress);
  const long announced = AnnouncedVersion(address);

  auto finish = [&](bool fetched) {
    // Give the memory of a large reply back, not just its length.
    if (fetched) std::string().swap(ResponseBytes());
    ui.SetControlFormEnabled(true);
    ui.TrimWorkingSet();
  };

  if (own >= announced) {
    if (interactive) ui.Say(kUpToDate, MessageKind::Information);
    finish(false);
    return;
  }

  HttpFetch(settings.updatePage, false);
  Text page = TextFromGbk(ResponseBytes());
  const Text noticeUrl = TextBetween(page, u"url=", u"\"");
  std::vector<Text> lines;
  // The notice address comes from the network: only web addresses are followed.
  if (IsWebAddress(noticeUrl)) {
    HttpFetch(noticeUrl, false);
    lines = Split(TextFromGbk(ResponseBytes()), u"\r\n");
  }

  if (lines.size() != 3) {
    if (interactive) {
      if (announced >= kLookupFailedVersion) {
        ui.Say(kCheckFailed, MessageKind::Error);
      } else if (ui.Ask(kNewerAvailable)) {
        ui.OpenUrl(settings.updatePage);
      }
    }
    finish(true);
    return;
  }

  const Text& version = lines[0];
  const std::optional<long> newest = NoticeVersionNumber(version);
  if (!newest) {
    if (interactive) ui.Say(kNoticeBroken, MessageKind::Error);
    finish(true);
    return;
  }
  if (own >= *newest) {
    if (interactive) ui.Say(kUpToDate, MessageKind::Information);
    finish(true);
    return;
  }

  if (!ui.Ask(DownloadQuestion(version, NewerChanges(lines[2], own)))) {
    finish(true);
    return;
  }

  const std::string folder =
      settings.downloadFolder.empty() ? Paths().dataDir : settings.downloadFolder;
  const Text fileName = u"Nimbulux." + version + u".rar";
  bool saved = false;
  if (IsWebAddress(lines[1]) && !folder.empty()) {
    HttpFetch(lines[1], false);
    const std::string& bytes = ResponseBytes();
    saved = LooksLikeRarArchive(bytes) && bytes.size() <= kMaxArchiveBytes &&
            SaveFile(folder + "/" + ToUtf8(fileName), bytes);
  }
  if (saved) {
    ui.Say(fileName + u" 已下载到 " + FromUtf8(folder), MessageKind::Information);
  } else {
    ui.Say(kDownloadFailed, MessageKind::Error);
  }
  finish(true);
}

}  // namespace nimbulux
