// The real program, started from a temporary program folder against the demo portal on
// 127.0.0.1, on the offscreen platform.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <QJsonArray>
#include <QSet>
#include <chrono>
#include <filesystem>

#include "core/text.h"
#include "e2e_support.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"

using namespace nimbulux;
using namespace nimbulux::test;

namespace {

// Generous: the program must end by itself long before (5 s, or the 30-second tick).
constexpr double kLimit = 25;

std::string Setting(const std::string& ini, const std::string& key) {
  const auto at = ini.find("\r\n" + key + "=");
  if (at == std::string::npos) return "<missing>";
  const auto start = at + key.size() + 3;
  return ini.substr(start, ini.find("\r\n", start) - start);
}

}  // namespace

TEST(EndToEnd, WithoutAnXServerTheProgramSaysSoAndEnds) {
  ProgramFolder folder;
  const std::string output = ShellOutput("env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY '" +
                                         folder.Program() + "' autoexit=1 2>&1; echo \"exit=$?\"");
  EXPECT_NE(output.find("no X server to show the widget on"), std::string::npos) << output;
  EXPECT_NE(output.find("exit=1"), std::string::npos) << output;
  EXPECT_FALSE(FileExists(folder.SettingsFile()));
}

// A widget with no portal says once where it looked and how to start one; a portal that
// answers, even with an error page, is not mentioned.
TEST(EndToEnd, NoPortalAnsweringIsSaidOnce) {
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  auto run = [&](const std::string& portal) {
    return ShellOutput("QT_QPA_PLATFORM=offscreen NIMBULUX_PORTAL=" + portal + " no_proxy='*' '" +
                       folder.Program() + "' autoexit=1 2>&1");
  };
  const std::string none = run("http://127.0.0.1:1");
  const std::string said = "no weather portal answers at http://127.0.0.1:1;";
  ASSERT_NE(none.find(said), std::string::npos) << none;
  EXPECT_EQ(none.find(said, none.find(said) + 1), std::string::npos) << none;
  EXPECT_NE(none.find("systemctl --user start nimbulux-portal"), std::string::npos);

  PortalProcess failing({"--fault", "/=status:503"});
  const std::string answered = run(failing.base());
  EXPECT_EQ(answered.find("no weather portal answers"), std::string::npos) << answered;
}

TEST(EndToEnd, AutoexitInEverySpellingEndsTheRunAndSaves) {
  PortalProcess portal;
  const std::vector<std::string> spellings = {"-AUTOEXIT=5", "/autoexit=5", "autoexit=5"};
  std::vector<std::unique_ptr<ProgramFolder>> folders;
  std::vector<RunningProgram> runs;
  const auto started = std::filesystem::file_time_type::clock::now();
  for (const auto& arg : spellings) {
    folders.push_back(std::make_unique<ProgramFolder>());
    folders.back()->WriteSettings({"[SYSTEM]", "LocalID=101010100"});
    runs.push_back(StartProgram(*folders.back(), {arg}, portal.base()));
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(spellings[i]);
    EXPECT_EQ(WaitForExit(runs[i], kLimit), std::optional<int>(0));
    const std::string ini = folders[i]->ReadSettings();
    EXPECT_EQ(Setting(ini, "LocalID"), "101010100");
    EXPECT_EQ(Setting(ini, "CurrentX"), "600");
    EXPECT_EQ(Setting(ini, "MyFont"), "Noto Sans CJK SC:9;Arial:24");
    EXPECT_EQ(Setting(ini, "Hide"), "<missing>");  // shown: "0" removes the key
    EXPECT_EQ(ReadDump(runs[i])["city"].toString(), "101010100");
    // The exit wrote the file after the 5 s, not at the first refresh.
    const auto written = std::filesystem::last_write_time(folders[i]->SettingsFile());
    EXPECT_GE(std::chrono::duration<double>(written - started).count(), 4.99);
  }
}

TEST(EndToEnd, LocalCodeShowsThatCityAndWritesNothing) {
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=3000"});
  const std::string before = ReadFile(folder.SettingsFile());
  RunningProgram run = StartProgram(folder, {"local=101020100", "autoexit=2"}, portal.base());
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_EQ(dump["city"].toString(), "101020100");
  EXPECT_EQ(dump["weather"].toObject()["CityName"].toString(), QString::fromUtf8("上海"));
  EXPECT_EQ(dump["window"].toObject()["left"].toDouble(), 3000);
  EXPECT_EQ(ReadFile(folder.SettingsFile()), before);
}

TEST(EndToEnd, LocalNameIsLookedUp) {
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  RunningProgram run = StartProgram(folder, {"-local=ShangHai", "-autoexit=2"}, portal.base());
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  EXPECT_EQ(ReadDump(run)["city"].toString(), "101020100");
}

TEST(EndToEnd, ProgramNamedAfterACityUsesItAndItsOwnSettings) {
  PortalProcess portal;
  ProgramFolder folder("101020100");
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=4500"});
  const std::string before = ReadFile(folder.SettingsFile());
  RunningProgram run = StartProgram(folder, {"autoexit=2"}, portal.base());
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_EQ(dump["city"].toString(), "101020100");
  EXPECT_EQ(dump["window"].toObject()["left"].toDouble(), 4500);  // its own settings file
  EXPECT_EQ(ReadFile(folder.SettingsFile()), before);
  EXPECT_FALSE(FileExists(folder.File("nimbulux.ini")));
}

TEST(EndToEnd, StoredPositionsAreCheckedAgainstTheScreen) {
  PortalProcess portal;
  struct Case {
    std::string x, y;
    double left, top;
    bool topmost;
  };
  // The offscreen screen starts at 0: 200 px left of it is ignored, 100 px accepted; a
  // top above the screen docks at 1 twip and makes the widget topmost.
  const std::vector<Case> cases = {{"-3000", "-50", 600, 1, true},
                                   {"-1500", "450", -1500, 450, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    ProgramFolder folder;
    folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=" + c.x, "CurrentY=" + c.y});
    RunningProgram run = StartProgram(folder, {"autoexit=1"}, portal.base());
    EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
    const QJsonObject window = ReadDump(run)["window"].toObject();
    EXPECT_EQ(window["left"].toDouble(), c.left);
    EXPECT_EQ(window["top"].toDouble(), c.top);
    EXPECT_EQ(window["topmost"].toBool(), c.topmost);
    const std::string ini = folder.ReadSettings();
    EXPECT_EQ(Setting(ini, "CurrentY"), c.y == "-50" ? "1" : "450");
  }
}

TEST(EndToEnd, SnapshotShowsAPicture) {
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  RunningProgram run = StartProgram(folder, {"autoexit=1"}, portal.base());
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  const QImage shot(QString::fromStdString(run.snapshotPath));
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.width(), 300);
  EXPECT_EQ(shot.height(), 205);
  QSet<QRgb> colours;
  int bright = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb c = shot.pixel(x, y);
      colours.insert(c);
      bright += qGray(c) > 200;
    }
  }
  EXPECT_GT(colours.size(), 40);  // the background's gradient, not one flat colour
  EXPECT_GT(bright, 100);         // and light text on it
}

TEST(EndToEnd, UnreachablePortalStillShowsTheWidgetAndEnds) {
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  RunningProgram run = StartProgram(folder, {"autoexit=1"}, "http://127.0.0.1:9");
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_EQ(dump["weather"].toObject()["NowTemperature"].toString(), "");
  EXPECT_EQ(dump["Image2"].toArray()[0].toObject()["picture"].toString(), "wait");
  EXPECT_EQ(dump["windowIcon"].toString(), "default");
  EXPECT_EQ(dump["trayTooltip"].toString(), "Nimbulux");
}

TEST(EndToEnd, TerminationSignalSavesLikeTheExitEntry) {
  TempDir logs;
  const std::string log = logs.File("portal.log");
  PortalProcess portal({}, log);
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  RunningProgram run = StartProgram(folder, {}, portal.base());
  // A refresh asked by signal runs only once the start-up is done: its forecast page, the
  // second of the run, shows that the exit routine will save.
  ASSERT_TRUE(WaitForDump(run, kLimit));
  kill(run.pid, SIGUSR1);
  auto forecastRequests = [&] {
    int n = 0;
    for (const std::string& line : OutputLines(ReadFile(log))) {
      n += line.find(" /html/weather/") != std::string::npos;
    }
    return n;
  };
  for (int i = 0; i < 1000 && forecastRequests() < 2; ++i) usleep(20000);
  ASSERT_EQ(forecastRequests(), 2);
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  EXPECT_EQ(Setting(folder.ReadSettings(), "CurrentX"), "600");
}

TEST(EndToEnd, HiddenStartRefreshesWithoutShowingTheWidget) {
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "Hide=1"});
  RunningProgram run = StartProgram(folder, {"autoexit=1"}, portal.base());
  EXPECT_EQ(WaitForExit(run, kLimit), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_FALSE(dump["window"].toObject()["visible"].toBool());
  EXPECT_EQ(dump["weather"].toObject()["CityName"].toString(), QString::fromUtf8("北京"));
  EXPECT_EQ(Setting(folder.ReadSettings(), "Hide"), "1");
}
