// The widget on a real X server (Xvfb, no window manager) while a fetch waits for a slow
// portal: it repaints what another window uncovers, keeps the user's drag for when the
// reply is in, and ends at once, saving, when asked to.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QImage>
#include <QJsonObject>
#include <cstdio>
#include <functional>
#include <optional>

#include "e2e_support.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

using namespace nimbulux::test;

namespace {

// The real-time page takes 8 s: the first refresh of the run waits that long, with the
// widget already on screen and the first state dump not yet written.
const std::vector<std::string> kSlowConditions = {"--date", "2026-12-07", "--hour",
                                                  "10",     "--fault",    "/data/sk/=delay:8000"};
const std::vector<std::string> kSettings = {"[SYSTEM]", "LocalID=101010100", "CurrentX=1500",
                                            "CurrentY=1500"};
constexpr int kMagenta = 0xFF00FF;

bool WaitUntil(const std::function<bool()>& done, double limitSeconds = 20) {
  for (int i = 0; i < limitSeconds * 50; ++i) {
    if (done()) return true;
    usleep(20000);
  }
  return done();
}

std::string Xdo(const std::string& display, const std::string& args) {
  return ShellOutput("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null");
}

// The widget's window on screen: its position, or none while it is not mapped.
std::optional<std::pair<int, int>> WidgetPosition(const std::string& display) {
  for (const std::string& id :
       OutputLines(Xdo(display, "search --onlyvisible --name '^Nimbulux$'"))) {
    const std::string g = Xdo(display, "getwindowgeometry " + id);
    if (g.find("Geometry: 300x205") == std::string::npos) continue;
    int x = 0, y = 0;
    if (std::sscanf(g.c_str() + g.find("Position: "), "Position: %d,%d", &x, &y) == 2) {
      return std::make_pair(x, y);
    }
  }
  return std::nullopt;
}

// Maps a plain magenta window over the rectangle for a moment and takes it away again.
void CoverAndUncover(const std::string& display, int x, int y, int w, int h) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(c), 0);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {kMagenta, 1};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<int16_t>(x),
                    static_cast<int16_t>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
  xcb_map_window(c, window);
  xcb_flush(c);
  usleep(400000);
  xcb_destroy_window(c, window);
  xcb_flush(c);
  xcb_disconnect(c);
}

TEST(EndToEndFetchWait, TheWidgetRepaintsAndKeepsADragWhileAFetchWaits) {
  if (!XvfbDisplay::Available() || access("/usr/bin/xdotool", X_OK) != 0) {
    GTEST_SKIP() << "no Xvfb or xdotool";
  }
  XvfbDisplay x("640x480x24");
  PortalProcess portal(kSlowConditions);
  ProgramFolder folder;
  folder.WriteSettings(kSettings);
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", x.display()}});
  ASSERT_TRUE(WaitUntil([&] { return WidgetPosition(x.display()).has_value(); }));
  usleep(500000);  // its first paint

  CoverAndUncover(x.display(), 100, 100, 300, 205);
  usleep(800000);
  const std::string shot = folder.File("uncovered.png");
  ShellOutput("import -display " + x.display() + " -window root " + shot);
  // A drag from a bare spot of the widget, made while the fetch still waits.
  Xdo(x.display(),
      "mousemove 250 180 mousedown 1 sleep 0.2 mousemove 252 182 sleep 0.2 mousemove 310 220 "
      "sleep 0.2 mousemove 370 260 sleep 0.2 mouseup 1");
  ASSERT_FALSE(FileExists(run.dumpPath)) << "the refresh ended before the checks were made";

  const QImage screen(QString::fromStdString(shot));
  ASSERT_FALSE(screen.isNull());
  int leftOver = 0;
  for (int py = 100; py < 305; ++py) {
    for (int px = 100; px < 400; ++px) leftOver += (screen.pixel(px, py) & 0xFFFFFF) == kMagenta;
  }
  EXPECT_EQ(leftOver, 0) << "the uncovered widget was not painted again";

  // The refresh completes with the slow page, then the held drag moves the widget.
  ASSERT_TRUE(WaitForDump(run, 30));
  EXPECT_FALSE(ReadDump(run)["weather"].toObject()["NowTemperature"].toString().isEmpty());
  EXPECT_TRUE(WaitUntil([&] { return WidgetPosition(x.display()) == std::make_pair(220, 180); }))
      << "the drag made during the wait was lost";
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST(EndToEndFetchWait, AnExitAskedForDuringAWaitSavesAndEnds) {
  if (!XvfbDisplay::Available() || access("/usr/bin/xdotool", X_OK) != 0) {
    GTEST_SKIP() << "no Xvfb or xdotool";
  }
  XvfbDisplay x("640x480x24");
  PortalProcess portal(kSlowConditions);
  ProgramFolder folder;
  folder.WriteSettings(kSettings);
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", x.display()}});
  ASSERT_TRUE(WaitForDump(run, 30));  // the first refresh is over
  usleep(1000000);                    // and the rest of the start-up
  const std::string firstDump = ReadFile(run.dumpPath);

  // A refresh (as the menu's), then the session manager and a signal both ask to end
  // while it waits for the slow page.
  kill(run.pid, SIGUSR1);
  usleep(500000);
  Terminate(run);
  kill(run.pid, SIGHUP);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  EXPECT_EQ(ReadFile(run.dumpPath), firstDump) << "the wait was not cut short";
  const std::string saved = folder.ReadSettings();
  EXPECT_NE(saved.find("LocalID=101010100"), std::string::npos) << saved;
  EXPECT_NE(saved.find("MyFont="), std::string::npos) << saved;
}

}  // namespace
