// The update check. The newest version is announced by the IPv4 address of a fixed host
// name; only when that is newer does the check read the update notice, show what is new
// and, if the user agrees, download the archive into the program's folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "net/http_fetch.h"

namespace nimbulux {

// The update channel a packager or a fork built in (the build options of the same
// names); empty in a plain build, which then has no update channel at all.
Text BuiltInUpdateHost();
Text BuiltInUpdatePage();

// NIMBULUX_UPDATE_HOST / NIMBULUX_UPDATE_PAGE when set, else the built-in values.
Text UpdateHostFromEnvironment();
Text UpdatePageFromEnvironment();

// What a failed lookup gives, and the version number it stands for.
inline constexpr char16_t kLookupFailedAddress[] = u"255.255.255.255";
inline constexpr long kLookupFailedVersion = 2575755;

// The largest archive the check saves: what one fetch accepts at most.
inline constexpr std::size_t kMaxArchiveBytes = kMaxBodyBytes;

// The first IPv4 address of the host in dotted decimal, or "255.255.255.255".
Text ResolveHostToAddress(TextView hostName);

// major * 10000 + minor * 100 + revision.
long VersionNumber(long major, long minor, long revision);
// The program's own number.
long OwnVersionNumber();
// w * 10000 + x * 100 + z of an address w.x.y.z (the third part takes no part).
long AnnouncedVersion(TextView address);
// A notice's version line: three groups of digits joined by ".", fewer than 10
// characters in all. None for anything else; it becomes part of a file name.
std::optional<long> NoticeVersionNumber(TextView line);

// The entries of a change list ("`" between entries, each starting with "[a.b.c]") whose
// version is newer than own, whole and in order.
std::vector<Text> NewerChanges(TextView changeList, long own);

// The question put before the download.
Text DownloadQuestion(TextView version, const std::vector<Text>& changes);

// An archive reply starts with the letters r, a, r in any case.
bool LooksLikeRarArchive(std::string_view bytes);

// Only plain web addresses are fetched for the notice and the archive.
bool IsWebAddress(TextView url);

enum class MessageKind { Information, Error };

// The program's side of the check: message boxes, a question, the browser, the control
// form. The widget implements it; tests fake it.
class UpdateUi {
 public:
  virtual ~UpdateUi() = default;
  virtual void Say(const Text& text, MessageKind kind) = 0;  // caption "Nimbulux", OK button
  virtual bool Ask(const Text& text) = 0;                    // Yes: true
  virtual void OpenUrl(const Text& url) = 0;
  virtual void SetControlFormEnabled(bool enabled) = 0;
  virtual void TrimWorkingSet() = 0;
};

struct UpdateCheckSettings {
  long ownVersion = OwnVersionNumber();
  Text updateHost = UpdateHostFromEnvironment();
  Text updatePage = UpdatePageFromEnvironment();
  std::string downloadFolder;  // empty: Paths().dataDir
  std::function<Text(TextView)> resolve = ResolveHostToAddress;
};

// Message texts.
inline constexpr char16_t kUpToDate[] = u"已经安装了最新版本，无需更新！";
inline constexpr char16_t kCheckFailed[] = u"检查更新失败，请稍后重试！";
inline constexpr char16_t kNewerAvailable[] = u"已有更新版本，是否下载？";
inline constexpr char16_t kNoticeBroken[] = u"下载更新失败，请稍后重试！";
inline constexpr char16_t kDownloadFailed[] = u"文件下载错误，请稍后重试！";

// Runs the whole check; interactive from the menu, silent at start-up. Without an update
// page nothing is looked up or fetched: the silent check does nothing, the interactive
// one says that the check failed. Without an update host the lookup counts as failed.
void CheckForUpdate(bool interactive, UpdateUi& ui,
                    const UpdateCheckSettings& settings = UpdateCheckSettings());

}  // namespace nimbulux
