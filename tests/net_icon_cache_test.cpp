// The weather icon cache against the demo portal and a temporary program folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/program_paths.h"
#include "net/http_fetch.h"
#include "pages/portal_icons.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "weather/icon_cache.h"
#include "weather/weather_state.h"

namespace nimbulux {
namespace {

using test::FileExists;
using test::PortalProcess;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const Text kLarge = u"/m/i/icon_weather/42x30/d01";
const Text kSmall = u"/m/i/icon_weather/21x15/d01";

class IconCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Paths().dataDir = folder_.path();
    std::filesystem::create_directory(images());
    SaveIcons() = 1;
  }
  void TearDown() override { SaveIcons() = 0; }

  std::string images() const { return folder_.File("Images"); }
  std::size_t FilesInImages() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(images())) ++n;
    return n;
  }
  void UsePortal(const PortalProcess& portal) { Weather().PortalBase = FromUtf8(portal.base()); }

  TempDir folder_;
};

TEST_F(IconCacheTest, DownloadsOnceThenServesFromDisk) {
  auto portal = std::make_unique<PortalProcess>();
  UsePortal(*portal);

  const auto first = IconCache(kLarge, false);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), QSize(42, 30));
  ASSERT_TRUE(FileExists(images() + "/d01.gif"));
  EXPECT_EQ(ReadFile(images() + "/d01.gif"), portal_server::WeatherIconGif("d01", 42, 30));
  EXPECT_EQ(FilesInImages(), 1u);  // no temporary file left behind

  portal.reset();  // the server is gone: only the disk can answer now
  const auto again = IconCache(kLarge, false);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->size(), QSize(42, 30));

  // The small size shares the file of the large one.
  const auto small = IconCache(kSmall, false);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), QSize(42, 30));
}

TEST_F(IconCacheTest, WritesNothingUnlessSaveIconsIsOn) {
  PortalProcess portal;
  UsePortal(portal);
  for (const int save : {0, -1}) {
    SaveIcons() = save;
    ASSERT_TRUE(IconCache(kSmall, false));
    EXPECT_EQ(FilesInImages(), 0u) << save;
  }
  SaveIcons() = 2;  // the greyed check box also saves
  ASSERT_TRUE(IconCache(kSmall, false));
  EXPECT_TRUE(FileExists(images() + "/d01.gif"));
}

TEST_F(IconCacheTest, BytesThatAreNoPictureGiveNoneAndNoFile) {
  PortalProcess portal({"--fault", "/m/=garbage:500"});
  UsePortal(portal);
  EXPECT_FALSE(IconCache(kLarge, false));
  EXPECT_FALSE(IconCache(u"/m/i/icon_weather/42x30/x99", false));  // the portal's 404 page
  EXPECT_EQ(FilesInImages(), 0u);
}

TEST_F(IconCacheTest, EmptyAndLocalNamesTouchNeitherDiskNorNetwork) {
  PortalProcess portal;
  UsePortal(portal);
  HttpFetch(u"http://127.0.0.1:1/marker", false);
  const std::string marker = LastRequestedUrl();

  EXPECT_FALSE(IconCache(u"", false));
  EXPECT_FALSE(IconCache(u"", true));
  EXPECT_FALSE(IconCache(u"bg", true));    // no bg.gif yet, and no address to fetch it from
  EXPECT_FALSE(IconCache(u"d01", false));  // not a portal path
  EXPECT_EQ(LastRequestedUrl(), marker);
  EXPECT_EQ(FilesInImages(), 0u);

  WriteFile(images() + "/bg.gif", portal_server::WeatherIconGif("n00", 21, 15));
  const auto bg = IconCache(u"bg", true);
  ASSERT_TRUE(bg);
  EXPECT_EQ(bg->size(), QSize(21, 15));
  EXPECT_EQ(LastRequestedUrl(), marker);
}

TEST_F(IconCacheTest, ABrokenCacheFileIsNotDownloadedAgain) {
  PortalProcess portal;
  UsePortal(portal);
  WriteFile(images() + "/d01.gif", "not a picture");
  EXPECT_FALSE(IconCache(kLarge, false));
  EXPECT_EQ(ReadFile(images() + "/d01.gif"), "not a picture");
}

TEST_F(IconCacheTest, WithoutTheFolderPicturesStillShow) {
  PortalProcess portal;
  UsePortal(portal);
  std::filesystem::remove(images());
  EXPECT_TRUE(IconCache(kLarge, false));
  EXPECT_FALSE(std::filesystem::exists(images()));
}

TEST_F(IconCacheTest, NamesThatWouldLeaveTheFolderAreShownButNotSaved) {
  TempDir fixtures;
  std::filesystem::create_directories(fixtures.File("m/x"));
  WriteFile(fixtures.File("m/x/y.gif"), portal_server::WeatherIconGif("d01", 42, 30));
  PortalProcess portal({"--fixtures", fixtures.path()});
  UsePortal(portal);
  const auto shown = IconCache(u"/m/x/y", false);  // its file would be "x/y.gif"
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->size(), QSize(42, 30));
  EXPECT_FALSE(IconCache(u"../x", true));  // a local name: nothing to fetch
  EXPECT_EQ(FilesInImages(), 0u);
  EXPECT_FALSE(FileExists(folder_.File(".gif")));
}

TEST(IconCacheFile, KeepsTheLastThreeCharactersOrTheWholeName) {
  Paths().dataDir = "/data";
  EXPECT_EQ(IconCacheFile(u"/m/i/icon_weather/21x15/n07", false), "/data/Images/n07.gif");
  EXPECT_EQ(IconCacheFile(u"/a", false), "/data/Images/a.gif");
  EXPECT_EQ(IconCacheFile(u"wait", true), "/data/Images/wait.gif");
}

}  // namespace
}  // namespace nimbulux
