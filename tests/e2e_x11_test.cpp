// The program on a real X server (Xvfb): the first-run dialog, and what the widget
// looks like on screen.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>

#include "e2e_support.h"
#include "support/portal_process.h"
#include "support/xvfb.h"

using namespace nimbulux::test;

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace

TEST(EndToEndX11, FirstRunClosedWithoutACityEndsAndWritesNothing) {
  if (!XvfbDisplay::Available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay x;
  PortalProcess portal;
  ProgramFolder folder;
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", x.display()}});
  // The options dialog is the window that is not the 300 x 205 widget.
  const std::string env = "DISPLAY=" + x.display() + " ";
  std::string dialog;
  for (int attempt = 0; attempt < 200 && dialog.empty(); ++attempt) {
    for (const std::string& id :
         Lines(Shell(env + "xdotool search --onlyvisible --name '^Nimbulux$' 2>/dev/null"))) {
      const std::string geometry = Shell(env + "xdotool getwindowgeometry " + id);
      if (geometry.find("300x205") == std::string::npos) dialog = id;
    }
    if (dialog.empty()) usleep(50000);
  }
  ASSERT_FALSE(dialog.empty()) << "the first-run dialog did not open";
  EXPECT_TRUE(IsRunning(run));
  Shell(env + "xdotool windowfocus --sync " + dialog + " key Escape");
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  EXPECT_FALSE(FileExists(folder.SettingsFile()));
}

TEST(EndToEndX11, WidgetOnScreenShowsTheWeatherInChineseGlyphs) {
  if (!XvfbDisplay::Available()) GTEST_SKIP() << "no Xvfb";
  XvfbDisplay x("640x480x24");
  PortalProcess portal({"--date", "2026-12-07", "--hour", "10"});
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=1500", "CurrentY=1500"});
  RunningProgram run =
      StartProgram(folder, {"autoexit=4"}, portal.base(), {{"DISPLAY", x.display()}});
  for (int i = 0; i < 500 && !FileExists(run.dumpPath); ++i) usleep(20000);
  usleep(1000000);  // let the window system map and paint it
  const std::string shot = folder.File("screen.png");
  Shell("import -display " + x.display() + " -window root " + shot);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const QImage screen(QString::fromStdString(shot));
  ASSERT_FALSE(screen.isNull());
  // The widget sits at (100, 100): its background differs from the empty screen, and
  // its texts are light on dark.
  int light = 0;
  for (int y = 100; y < 305; ++y)
    for (int xx = 100; xx < 400; ++xx) light += qGray(screen.pixel(xx, y)) > 200;
  EXPECT_NE(screen.pixel(250, 250), screen.pixel(600, 450));
  EXPECT_GT(light, 100);
  // Kept for a look by eye when NIMBULUX_KEEP_SCREENSHOT names a file.
  if (const char* keep = std::getenv("NIMBULUX_KEEP_SCREENSHOT")) screen.save(keep);
}
