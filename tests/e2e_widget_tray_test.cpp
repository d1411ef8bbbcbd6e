// The program on a real X server with a tray host (trayer): the icon in the notification
// area, what clicks on it do, and the ways the window system ends the program.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "e2e_support.h"
#include "support/portal_process.h"
#include "support/xvfb.h"

using namespace nimbulux::test;

namespace {

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

class Desktop {
 public:
  Desktop() : x_("640x480x24") {}
  const std::string& display() const { return x_.display(); }
  std::string Run(const std::string& command) const {
    return ShellOutput("DISPLAY=" + display() + " " + command + " 2>/dev/null");
  }

  Geometry WindowGeometry(const std::string& id) const {
    std::map<std::string, int> v;
    for (const std::string& line : OutputLines(Run("xdotool getwindowgeometry --shell " + id))) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) v[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    }
    return {v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]};
  }

  // The program's windows, all or only the mapped ones.
  std::vector<std::string> ProgramWindows(bool onlyVisible) const {
    return OutputLines(Run(std::string("xdotool search ") + (onlyVisible ? "--onlyvisible " : "") +
                           "--classname '^nimbulux$'"));
  }

  bool WidgetVisible() const {
    for (const std::string& id : ProgramWindows(true)) {
      const Geometry g = WindowGeometry(id);
      if (g.width == 300 && g.height == 205) return true;
    }
    return false;
  }

  // The icon the program put into the tray: a small window of the program inside the
  // tray host's panel.
  std::optional<Geometry> TrayIcon() const {
    for (const std::string& id : ProgramWindows(false)) {
      const Geometry g = WindowGeometry(id);
      if (g.width >= 8 && g.width <= 64 && g.height >= 8 && g.height <= 64 && g.y < 30) return g;
    }
    return std::nullopt;
  }

  // Clicks further apart than the double-click time, so that each counts on its own.
  void Click(const Geometry& at, int button) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Run("xdotool mousemove " + std::to_string(at.x + at.width / 2) + " " +
        std::to_string(at.y + at.height / 2) + " click " + std::to_string(button));
  }

 private:
  XvfbDisplay x_;
};

// Polls until the condition holds; the limit only keeps a broken program from hanging
// the suite.
bool Eventually(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::unique_ptr<HelperProcess> StartTrayHost(const Desktop& desktop) {
  auto trayer = std::make_unique<HelperProcess>(
      desktop.display(),
      std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype",
                               "pixel", "--width", "48", "--heighttype", "pixel", "--height", "24",
                               "--SetDockType", "true", "--transparent", "false"});
  EXPECT_TRUE(Eventually([&] { return !desktop.Run("xdotool search --name '^panel$'").empty(); }));
  return trayer;
}

bool TrayHostAvailable() {
  return XvfbDisplay::Available() && !ShellOutput("command -v trayer xdotool import").empty();
}

}  // namespace

TEST(EndToEndTray, LeftPressHidesAndShowsTheWidgetRightPressOpensTheMenu) {
  if (!TrayHostAvailable()) GTEST_SKIP() << "no Xvfb, trayer or xdotool";
  Desktop desktop;
  auto trayer = StartTrayHost(desktop);
  PortalProcess portal({"--date", "2026-12-07", "--hour", "10"});
  ProgramFolder folder;
  // Every temperature reaches the one rule: the digits are drawn in light red.
  folder.WriteSettings(
      {"[SYSTEM]", "LocalID=101010100", "CurrentX=1500", "CurrentY=1500", "TrayColor=-99:12"});
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", desktop.display()}});
  ASSERT_TRUE(WaitForDump(run, 20));
  ASSERT_TRUE(Eventually([&] { return desktop.TrayIcon().has_value(); })) << "no tray icon";
  ASSERT_TRUE(Eventually([&] { return desktop.WidgetVisible(); }));
  const Geometry icon = *desktop.TrayIcon();

  // The digits in the tray: light red pixels, scaled by whole factors without smoothing.
  ASSERT_TRUE(Eventually([&] {
    const std::string shot = folder.File("screen.png");
    desktop.Run("import -window root " + shot);
    const QImage screen(QString::fromStdString(shot));
    int red = 0;
    for (int y = icon.y; y < icon.y + icon.height; ++y)
      for (int x = icon.x; x < icon.x + icon.width; ++x)
        red += screen.pixel(x, y) == qRgb(255, 0, 0);
    if (const char* keep = std::getenv("NIMBULUX_KEEP_TRAY_SCREENSHOT")) screen.save(keep);
    return red >= 10;
  })) << "no red digits in the tray icon";
  EXPECT_EQ(ReadDump(run)["trayIcon"].toString().size(), 636);

  desktop.Click(icon, 1);
  EXPECT_TRUE(Eventually([&] { return !desktop.WidgetVisible(); })) << "not hidden";
  desktop.Click(icon, 1);
  EXPECT_TRUE(Eventually([&] { return desktop.WidgetVisible(); })) << "not shown again";

  // Right press: the control menu pops up as a further window of the program.
  const std::size_t mapped = desktop.ProgramWindows(true).size();
  desktop.Click(icon, 3);
  EXPECT_TRUE(Eventually([&] { return desktop.ProgramWindows(true).size() > mapped; }))
      << "no menu";
  desktop.Run("xdotool key Escape");
  EXPECT_TRUE(Eventually([&] { return desktop.ProgramWindows(true).size() == mapped; }));

  // A double-click shows the widget, whether it was shown or hidden before: the presses
  // that come with it toggle it, and the double-click itself shows it.
  auto doubleClick = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    desktop.Run("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
                std::to_string(icon.y + icon.height / 2) + " click --repeat 2 --delay 60 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  };
  doubleClick();
  EXPECT_TRUE(Eventually([&] { return desktop.WidgetVisible(); })) << "after a double-click";
  desktop.Click(icon, 1);
  ASSERT_TRUE(Eventually([&] { return !desktop.WidgetVisible(); }));
  doubleClick();
  EXPECT_TRUE(Eventually([&] { return desktop.WidgetVisible(); })) << "hidden double-click";

  // Hidden through the tray, then ended by the session: the exit routine stores it.
  desktop.Click(icon, 1);
  ASSERT_TRUE(Eventually([&] { return !desktop.WidgetVisible(); }));
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 20), std::optional<int>(0));
  EXPECT_NE(folder.ReadSettings().find("\r\nHide=1\r\n"), std::string::npos);
}

TEST(EndToEndTray, ClosedByTheWindowManagerSavesAndEnds) {
  if (!TrayHostAvailable() || ShellOutput("command -v openbox").empty()) {
    GTEST_SKIP() << "no Xvfb, xdotool or openbox";
  }
  Desktop desktop;
  HelperProcess openbox(desktop.display(), {"openbox"});
  ASSERT_TRUE(Eventually([&] {
    return desktop.Run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
           std::string::npos;
  }));
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=1500"});
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", desktop.display()}});
  ASSERT_TRUE(WaitForDump(run, 20));
  std::string widget;
  ASSERT_TRUE(Eventually([&] {
    for (const std::string& id : desktop.ProgramWindows(true)) {
      const Geometry g = desktop.WindowGeometry(id);
      if (g.width == 300 && g.height == 205) widget = id;
    }
    return !widget.empty();
  }));
  // Alt+F4 makes the window manager ask the window to close, as a log-out does. A request
  // to activate that comes before the manager has taken the window is lost, and waiting
  // for it would never end: each attempt is bounded and repeated.
  std::optional<int> status;
  for (int attempt = 0; attempt < 3 && !status; ++attempt) {
    desktop.Run("timeout 10 xdotool windowactivate --sync " + widget);
    desktop.Run("xdotool key alt+F4");
    status = WaitForExit(run, 10);
  }
  EXPECT_EQ(status, std::optional<int>(0));
  EXPECT_NE(folder.ReadSettings().find("\r\nMyFont="), std::string::npos);
}

TEST(EndToEndTray, FirstRunShowsTheTrayIconAndEndsWithoutWritingWhenClosed) {
  if (!TrayHostAvailable()) GTEST_SKIP() << "no Xvfb, trayer or xdotool";
  Desktop desktop;
  auto trayer = StartTrayHost(desktop);
  PortalProcess portal;
  ProgramFolder folder;
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", desktop.display()}});
  ASSERT_TRUE(Eventually([&] { return desktop.TrayIcon().has_value(); })) << "no tray icon";
  // The dialog for choosing a city: a mapped window of the program that is not the widget.
  std::string dialog;
  ASSERT_TRUE(Eventually([&] {
    for (const std::string& id : desktop.ProgramWindows(true)) {
      const Geometry g = desktop.WindowGeometry(id);
      if (g.width > 64 && !(g.width == 300 && g.height == 205)) dialog = id;
    }
    return !dialog.empty();
  })) << "the first-run dialog did not open";
  desktop.Run("timeout 10 xdotool windowfocus --sync " + dialog);
  desktop.Run("xdotool key Escape");
  EXPECT_EQ(WaitForExit(run, 20), std::optional<int>(0));
  EXPECT_FALSE(FileExists(folder.SettingsFile()));
}
