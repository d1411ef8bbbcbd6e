#include "weather/icon_cache.h"

#include <filesystem>

#include "core/file_replace.h"
#include "core/program_paths.h"
#include "net/http_fetch.h"
#include "weather/weather_state.h"

namespace nimbulux {

namespace {

// The part of the name that names the cache file: the whole local name, or the last
// three characters of a portal path (so that all sizes of one code share a file).
Text CacheKey(TextView name, bool keepFullName) {
  return keepFullName ? Text(name) : Right(name, 3);
}

// Names come from portal pages: a key that could reach outside the folder is unsafe.
bool IsSafeKey(TextView key) {
  if (key.find(u"..") != TextView::npos || key.find(u'\\') != TextView::npos ||
      key.find(u'\0') != TextView::npos) {
    return false;
  }
  const auto slash = key.find(u'/');
  return slash == TextView::npos || (slash == 0 && key.find(u'/', 1) == TextView::npos);
}

}  // namespace

int& SaveIcons() {
  static int save = 0;
  return save;
}

std::string IconCacheFile(TextView name, bool keepFullName) {
  Text key = CacheKey(name, keepFullName);
  if (!key.empty() && key.front() == u'/') key.erase(0, 1);
  return Paths().ImagesDir() + "/" + ToUtf8(key) + ".gif";
}

std::string IconCacheFileToRead(TextView name, bool keepFullName) {
  const std::string file = IconCacheFile(name, keepFullName);
  const std::string earlierDir = Paths().EarlierImagesDir();
  if (earlierDir.empty()) return file;
  return ExistingOrEarlier(file, earlierDir + file.substr(Paths().ImagesDir().size()));
}

std::optional<Picture> IconCache(TextView name, bool keepFullName) {
  if (name.empty()) return std::nullopt;
  // A name that could reach outside the folder is neither read from nor saved to disk,
  // but its picture still comes from the portal.
  const bool onDisk = IsSafeKey(CacheKey(name, keepFullName));
  if (onDisk) {
    std::error_code ec;
    const std::string found = IconCacheFileToRead(name, keepFullName);
    if (std::filesystem::is_regular_file(found, ec)) return PictureFromFile(found);
  }

  // Only portal paths can be downloaded; a bare local name has no address.
  if (name.front() != u'/') return std::nullopt;
  HttpFetch(Weather().PortalBase + Text(name) + u".gif", false);
  std::optional<Picture> picture = PictureFromBytes(ResponseBytes());
  if (picture && onDisk && !keepFullName && SaveIcons() > 0) {
    ReplaceFileAtomically(IconCacheFile(name, keepFullName), ResponseBytes(), Durability::Quick);
  }
  return picture;
}

}  // namespace nimbulux
