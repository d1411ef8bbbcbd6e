#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTimer>

#include "core/gbk.h"
#include "net/host_lookup.h"
#include "net/http_fetch.h"
#include "net/update_check.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"

namespace nimbulux {
namespace {

using test::FileExists;
using test::PortalProcess;
using test::ReadFile;
using test::TempDir;

TEST(UpdateVersionTest, NumbersFromAddressesAndNotices) {
  EXPECT_EQ(VersionNumber(1, 6, 3), 10603);
  EXPECT_EQ(AnnouncedVersion(u"1.6.9.4"), 10604);    // the third part is ignored
  EXPECT_EQ(AnnouncedVersion(u"1.6.200.3"), 10603);  // not newer than 1.6.3
  EXPECT_EQ(AnnouncedVersion(kLookupFailedAddress), kLookupFailedVersion);

  EXPECT_EQ(NoticeVersionNumber(u"1.06.0004"), 10604);
  EXPECT_EQ(NoticeVersionNumber(u"1.06.00004"), std::nullopt);  // ten characters
  EXPECT_EQ(NoticeVersionNumber(u"1.6"), std::nullopt);
  EXPECT_EQ(NoticeVersionNumber(u"1.6.3.1"), std::nullopt);
  // The line becomes part of a file name: nothing but digits and dots.
  EXPECT_EQ(NoticeVersionNumber(u"1./../5"), std::nullopt);
  EXPECT_EQ(NoticeVersionNumber(u"1.6.x"), std::nullopt);
  EXPECT_EQ(NoticeVersionNumber(u"1. 6.3"), std::nullopt);
}

TEST(UpdateVersionTest, ChangeListKeepsNewerEntriesWhole) {
  EXPECT_EQ(NewerChanges(u"[1.06.0003]旧的`[1.06.0004]新的", 10603),
            std::vector<Text>{u"[1.06.0004]新的"});
  EXPECT_EQ(NewerChanges(u"[1.7]两段`无版本`[2.0.0] 大版本`", 10603),
            std::vector<Text>{u"[2.0.0] 大版本"});
  // A hostile notice's huge numbers count as very new or very old, never overflow.
  EXPECT_EQ(NewerChanges(u"[99999999999999999999.0.0]大`[-1e300.0.0]小", 10603),
            std::vector<Text>{u"[99999999999999999999.0.0]大"});
  EXPECT_EQ(AnnouncedVersion(u"8888888888888881.7.0.1"), 1000000000L * 10000 + 700 + 1);
  EXPECT_EQ(DownloadQuestion(u"1.7.0", {u"[1.7.0]a", u"[1.6.9]b"}),
            u"最新版本是1.7.0\r\n\r\n[1.7.0]a\r\n[1.6.9]b\r\n\r\n是否下载更新？");
  EXPECT_EQ(DownloadQuestion(u"1.7.0", {}), u"最新版本是1.7.0\r\n\r\n\r\n是否下载更新？");

  EXPECT_TRUE(LooksLikeRarArchive("Rar!\x1a"));
  EXPECT_TRUE(LooksLikeRarArchive("RAR"));
  EXPECT_TRUE(LooksLikeRarArchive("rAr"));
  EXPECT_FALSE(LooksLikeRarArchive("Ra"));
  EXPECT_FALSE(LooksLikeRarArchive("<html>"));

  EXPECT_TRUE(IsWebAddress(u"HTTPS://host/x.rar"));
  EXPECT_TRUE(IsWebAddress(u"http://127.0.0.1:1/x"));
  EXPECT_FALSE(IsWebAddress(u"file:///etc/passwd"));
  EXPECT_FALSE(IsWebAddress(u"ftp://host/x"));
  EXPECT_FALSE(IsWebAddress(u"http://"));
}

TEST(UpdateVersionTest, LookupGivesDottedAddressOrTheFailureValue) {
  EXPECT_EQ(ResolveHostToAddress(u"1.6.9.4"), u"1.6.9.4");
  EXPECT_EQ(ResolveHostToAddress(u"localhost"), u"127.0.0.1");
  EXPECT_EQ(ResolveHostToAddress(u""), kLookupFailedAddress);
}

TEST(UpdateVersionTest, ALookupThatNeverAnswersKeepsTheLoopGoingAndEndsWithAnExitOrItsTime) {
  int abandoned = 0;
  SetHostLookupForTesting(
      [&](const QString&, AddressesFound) { return std::function<void()>([&] { ++abandoned; }); });
  // The wait's loop keeps running timers (and painting): the third tick asks for the exit.
  int ticks = 0;
  bool exitRan = false;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (++ticks == 3) CancelFetchAndThen([&] { exitRan = true; });
  });
  ticker.start(20);
  EXPECT_EQ(ResolveHostToAddress(u"update.example.invalid"), kLookupFailedAddress);
  ticker.stop();
  EXPECT_GE(ticks, 3);
  EXPECT_TRUE(exitRan);
  EXPECT_EQ(abandoned, 1);
  EXPECT_FALSE(FetchWaiting());

  // Without an exit it gives up after a fetch's total time.
  SetHttpTimeoutsForTesting(0, 200);
  EXPECT_EQ(ResolveHostToAddress(u"update.example.invalid"), kLookupFailedAddress);
  EXPECT_EQ(abandoned, 2);
  SetHttpTimeoutsForTesting(0, 0);

  // A lookup that answers gives its first IPv4 address.
  SetHostLookupForTesting([](const QString&, AddressesFound found) {
    QTimer::singleShot(10, [found] { found({QHostAddress("::1"), QHostAddress("10.1.7.2")}); });
    return std::function<void()>([] {});
  });
  EXPECT_EQ(ResolveHostToAddress(u"update.example.invalid"), u"10.1.7.2");
  SetHostLookupForTesting({});
}

// Records what the check shows and answers questions as told.
class FakeUpdateUi : public UpdateUi {
 public:
  void Say(const Text& text, MessageKind kind) override { said.push_back({text, kind}); }
  bool Ask(const Text& text) override {
    asked.push_back(text);
    return answer;
  }
  void OpenUrl(const Text& url) override { opened.push_back(url); }
  void SetControlFormEnabled(bool enabled) override { formStates.push_back(enabled); }
  void TrimWorkingSet() override { ++trims; }

  struct Message {
    Text text;
    MessageKind kind;
  };
  bool answer = true;
  std::vector<Message> said;
  std::vector<Text> asked;
  std::vector<Text> opened;
  std::vector<bool> formStates;
  int trims = 0;
};

class UpdateCheckTest : public ::testing::Test {
 protected:
  UpdateCheckTest() : portal_({"--update-notice", folder_.File("notice.txt")}) {}

  // A check of an installed 1.6.3 against the given announcing address.
  UpdateCheckSettings Settings(const std::string& address) {
    UpdateCheckSettings settings;
    settings.ownVersion = 10603;
    settings.updateHost = FromUtf8(address);
    settings.updatePage = FromUtf8(portal_.base() + "/nimbulux/update.html");
    settings.downloadFolder = downloads_.path();
    return settings;
  }

  void WriteNotice(const std::string& version, const std::string& archive,
                   const std::string& changes, const std::string& tail = "") {
    test::WriteFile(folder_.File("notice.txt"),
                    GbkFromText(FromUtf8(version + "\r\n" + archive + "\r\n" + changes + tail)));
  }

  std::string Archive(const std::string& query = "") const {
    return portal_.base() + "/nimbulux/archive/x.rar" + query;
  }

  TempDir folder_;
  TempDir downloads_;
  PortalProcess portal_;
  FakeUpdateUi ui_;
};

TEST_F(UpdateCheckTest, NotNewerSaysSoOnlyWhenAsked) {
  CheckForUpdate(true, ui_, Settings("1.6.200.3"));
  ASSERT_EQ(ui_.said.size(), 1u);
  EXPECT_EQ(ui_.said[0].text, u"已经安装了最新版本，无需更新！");
  EXPECT_EQ(ui_.said[0].kind, MessageKind::Information);
  EXPECT_EQ(ui_.formStates, (std::vector<bool>{false, true}));
  EXPECT_EQ(ui_.trims, 1);

  FakeUpdateUi silent;
  const std::string before = LastRequestedUrl();
  CheckForUpdate(false, silent, Settings("1.6.200.3"));
  EXPECT_TRUE(silent.said.empty());
  EXPECT_TRUE(silent.asked.empty());
  EXPECT_EQ(LastRequestedUrl(), before);  // nothing fetched
}

TEST_F(UpdateCheckTest, NewerVersionDownloadedAfterYes) {
  WriteNotice("1.06.0004", Archive(), "[1.06.0003]旧的`[1.06.0004]新的`");
  CheckForUpdate(false, ui_, Settings("1.6.9.4"));
  ASSERT_EQ(ui_.asked.size(), 1u);
  EXPECT_EQ(ui_.asked[0], u"最新版本是1.06.0004\r\n\r\n[1.06.0004]新的\r\n\r\n是否下载更新？");
  ASSERT_EQ(ui_.said.size(), 1u);
  EXPECT_EQ(ui_.said[0].text, u"Nimbulux.1.06.0004.rar 已下载到 " + FromUtf8(downloads_.path()));
  const std::string saved = ReadFile(downloads_.File("Nimbulux.1.06.0004.rar"));
  EXPECT_EQ(saved.substr(0, 4), "Rar!");
  EXPECT_GT(saved.size(), 4000u);
  EXPECT_TRUE(ResponseBytes().empty());
}

TEST_F(UpdateCheckTest, DecliningOrABrokenArchiveLeavesNoFile) {
  WriteNotice("1.6.4", Archive(), "[1.6.4]x");
  ui_.answer = false;
  CheckForUpdate(true, ui_, Settings("1.6.9.4"));
  EXPECT_EQ(ui_.asked.size(), 1u);
  EXPECT_TRUE(ui_.said.empty());
  EXPECT_FALSE(FileExists(downloads_.File("Nimbulux.1.6.4.rar")));

  for (const std::string& archive :
       {Archive("?sig=none"), Archive("?sig=Ra"), std::string("file:///etc/passwd")}) {
    WriteNotice("1.6.4", archive, "[1.6.4]x");
    FakeUpdateUi ui;
    CheckForUpdate(false, ui, Settings("1.6.9.4"));
    ASSERT_EQ(ui.said.size(), 1u) << archive;
    EXPECT_EQ(ui.said[0].text, u"文件下载错误，请稍后重试！");
    EXPECT_EQ(ui.said[0].kind, MessageKind::Error);
    EXPECT_FALSE(FileExists(downloads_.File("Nimbulux.1.6.4.rar")));
  }

  for (const char* sig : {"RAR", "rar"}) {
    WriteNotice("1.6.4", Archive(std::string("?sig=") + sig), "[1.6.4]x");
    FakeUpdateUi ui;
    CheckForUpdate(true, ui, Settings("1.6.9.4"));
    EXPECT_EQ(ReadFile(downloads_.File("Nimbulux.1.6.4.rar")).substr(0, 3), sig);
  }
}

TEST_F(UpdateCheckTest, MalformedNotices) {
  // A trailing line break makes four lines: the update page is offered instead.
  WriteNotice("1.6.4", Archive(), "[1.6.4]x", "\r\n");
  ui_.answer = true;
  CheckForUpdate(true, ui_, Settings("1.6.9.4"));
  EXPECT_EQ(ui_.asked, std::vector<Text>{u"已有更新版本，是否下载？"});
  EXPECT_EQ(ui_.opened, std::vector<Text>{FromUtf8(portal_.base() + "/nimbulux/update.html")});

  FakeUpdateUi silent;
  CheckForUpdate(false, silent, Settings("1.6.9.4"));
  EXPECT_TRUE(silent.asked.empty());
  EXPECT_TRUE(silent.said.empty());

  WriteNotice("1.06.00004", Archive(), "");
  FakeUpdateUi tooLong;
  CheckForUpdate(true, tooLong, Settings("1.6.9.4"));
  ASSERT_EQ(tooLong.said.size(), 1u);
  EXPECT_EQ(tooLong.said[0].text, u"下载更新失败，请稍后重试！");

  // The notice itself says nothing newer is out.
  WriteNotice("1.06.0003", Archive(), "");
  FakeUpdateUi same;
  CheckForUpdate(true, same, Settings("1.6.9.4"));
  ASSERT_EQ(same.said.size(), 1u);
  EXPECT_EQ(same.said[0].text, u"已经安装了最新版本，无需更新！");
}

TEST_F(UpdateCheckTest, FailedLookupAndUnreachablePage) {
  UpdateCheckSettings settings = Settings("ignored");
  settings.resolve = [](TextView) { return Text(kLookupFailedAddress); };
  settings.updatePage = u"http://127.0.0.1:1/nimbulux/update.html";
  CheckForUpdate(true, ui_, settings);
  ASSERT_EQ(ui_.said.size(), 1u);
  EXPECT_EQ(ui_.said[0].text, u"检查更新失败，请稍后重试！");
  EXPECT_EQ(ui_.said[0].kind, MessageKind::Error);
  EXPECT_EQ(ui_.formStates, (std::vector<bool>{false, true}));
}

TEST(UpdateVersionTest, EnvironmentNamesHostAndPage) {
  setenv("NIMBULUX_UPDATE_HOST", "1.6.9.4", 1);
  setenv("NIMBULUX_UPDATE_PAGE", "http://127.0.0.1:1/x", 1);
  EXPECT_EQ(UpdateHostFromEnvironment(), u"1.6.9.4");
  EXPECT_EQ(UpdatePageFromEnvironment(), u"http://127.0.0.1:1/x");
  unsetenv("NIMBULUX_UPDATE_HOST");
  unsetenv("NIMBULUX_UPDATE_PAGE");
  EXPECT_EQ(UpdateHostFromEnvironment(), BuiltInUpdateHost());
  EXPECT_EQ(UpdatePageFromEnvironment(), BuiltInUpdatePage());
}

// With no update channel the check neither looks a name up nor fetches anything; only
// the interactive check says so.
TEST_F(UpdateCheckTest, NoChannelSendsNothing) {
  int lookups = 0;
  UpdateCheckSettings settings = Settings("ignored");
  settings.resolve = [&](TextView) {
    ++lookups;
    return Text(u"9.9.9.9");
  };
  settings.updateHost.clear();
  settings.updatePage.clear();
  CheckForUpdate(false, ui_, settings);
  EXPECT_TRUE(ui_.said.empty());
  CheckForUpdate(true, ui_, settings);
  ASSERT_EQ(ui_.said.size(), 1u);
  EXPECT_EQ(ui_.said[0].text, u"检查更新失败，请稍后重试！");
  EXPECT_EQ(lookups, 0);
}

}  // namespace
}  // namespace nimbulux
