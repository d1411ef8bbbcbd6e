// The program on a real X server (Xvfb), driven as a user drives it: the first-run
// dialog, the widget on screen, and the mouse and menu commands under a window manager
// (openbox), with the pointer and keys of xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "demo/demo_pages.h"
#include "e2e_support.h"
#include "pages/forecast_page.h"
#include "pages/gif_encoder.h"
#include "pages/portal_data.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

using namespace nimbulux::test;

namespace {

std::string Shell(const std::string& command) { return ShellOutput(command); }
std::vector<std::string> Lines(const std::string& text) { return OutputLines(text); }

bool ToolsAvailable() {
  return XvfbDisplay::Available() && access("/usr/bin/xdotool", X_OK) == 0 &&
         access("/usr/bin/openbox", X_OK) == 0 && access("/usr/bin/xprop", X_OK) == 0;
}

// Polls until done() holds; false when limitSeconds pass first (a broken program must
// not hang the suite; no test asserts on how long anything takes).
bool WaitUntil(const std::function<bool()>& done, double limitSeconds = 20) {
  for (int i = 0; i < limitSeconds * 50; ++i) {
    if (done()) return true;
    usleep(20000);
  }
  return done();
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// A display with a window manager, the portal, and the widget program in a folder of
// its own.
class Desktop {
 public:
  explicit Desktop(std::vector<std::string> portalArgs = {"--date", "2026-12-07", "--hour", "10"},
                   bool windowManager = true)
      : portal_(std::move(portalArgs)),
        windowManager_(windowManager),
        wm_(x_.display(), windowManager ? std::vector<std::string>{"openbox"}
                                        : std::vector<std::string>{"true"}) {
    if (!windowManager) return;
    // openbox announces itself on the root window once it manages the screen.
    WaitUntil([this] {
      return Xprop("-root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
    });
  }

  const std::string& display() const { return x_.display(); }
  PortalProcess& portal() { return portal_; }

  std::string Xdo(const std::string& args) const {
    return Shell("DISPLAY=" + x_.display() + " xdotool " + args);
  }
  // Activates a window, bounded: an activation the window manager never carries out must
  // not hang the suite (what the keys then do shows in the test's checks).
  void Activate(const std::string& window) const {
    Shell("DISPLAY=" + x_.display() + " timeout 10 xdotool windowactivate --sync " + window);
  }
  std::string Xprop(const std::string& args) const {
    return Shell("DISPLAY=" + x_.display() + " xprop " + args + " 2>/dev/null");
  }
  void Screenshot(const std::string& file) const {
    Shell("import -display " + x_.display() + " -window root " + file);
  }

  // Starts the program with the standard settings' place; waits for its first render and
  // for its widget on screen at that place, framed by the window manager when there is
  // one. A press sent earlier could land where the widget is not yet.
  RunningProgram Start(const ProgramFolder& folder, const std::vector<std::string>& args = {},
                       std::map<std::string, std::string> env = {}) {
    env["DISPLAY"] = x_.display();
    RunningProgram run = StartProgram(folder, args, portal_.base(), env);
    EXPECT_TRUE(WaitForDump(run, 30)) << "no first render";
    EXPECT_TRUE(WaitUntil([&] { return !WidgetId().empty(); })) << "no widget on screen";
    EXPECT_TRUE(WaitUntil([&] {
      const std::string id = WidgetId();
      const Rect w = Geometry(id);
      const bool framed = !windowManager_ ||
                          Xprop("-id " + id + " _NET_FRAME_EXTENTS").find('=') != std::string::npos;
      return w.x == kStandardLeft && w.y == kStandardTop && framed;
    })) << "the widget is not at its stored place";
    return run;
  }

  // Where kStandardSettings put the widget (1500 twips).
  static constexpr int kStandardLeft = 100;
  static constexpr int kStandardTop = 100;

  // The widget window: the visible 300 x 205 window of the program.
  std::string WidgetId() const {
    for (const std::string& id :
         Lines(Xdo("search --onlyvisible --name '^Nimbulux$' 2>/dev/null"))) {
      if (Geometry(id).w == 300 && Geometry(id).h == 205) return id;
    }
    return {};
  }

  Rect Geometry(const std::string& id) const {
    const std::string g = Xdo("getwindowgeometry " + id + " 2>/dev/null");
    std::smatch m;
    Rect r;
    if (std::regex_search(g, m, std::regex("Position: (-?\\d+),(-?\\d+)"))) {
      r.x = std::stoi(m[1]);
      r.y = std::stoi(m[2]);
    }
    if (std::regex_search(g, m, std::regex("Geometry: (\\d+)x(\\d+)"))) {
      r.w = std::stoi(m[1]);
      r.h = std::stoi(m[2]);
    }
    return r;
  }

  Rect Widget() const { return Geometry(WidgetId()); }

  // Visible windows of the program other than the widget (menus, dialogs).
  std::vector<Rect> OtherWindows() const {
    std::vector<Rect> out;
    const std::string widget = WidgetId();
    for (const std::string& id :
         Lines(Xdo("search --onlyvisible --classname nimbulux 2>/dev/null"))) {
      if (id != widget) out.push_back(Geometry(id));
    }
    return out;
  }

  // The pointer to a place in the widget (window pixels), moving on it a little so that
  // the widget sees the pointer there. The pauses are a hand's pace: whether the window
  // has reacted to a move (docked, hidden, followed) is what the tests check next.
  void PointAt(int x, int y) const {
    const Rect w = Widget();
    Xdo("mousemove " + std::to_string(w.x + x - 1) + " " + std::to_string(w.y + y) +
        " sleep 0.1 mousemove " + std::to_string(w.x + x) + " " + std::to_string(w.y + y) +
        " sleep 0.2");
  }
  void ScreenPointer(int x, int y) const {
    Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2");
  }

  // Drags the widget with the left button from a window place by (dx, dy) pixels, as a
  // hand does: a first small step, then on, at a hand's pace (the window manager takes
  // the pointer over when the program asks it to move the window, which no client can
  // see); the drag is over once nobody holds the pointer any more.
  void Drag(int x, int y, int dx, int dy) const {
    PointAt(x, y);
    const Rect w = Widget();
    std::string steps = "mousedown 1 sleep 0.3 mousemove " + std::to_string(w.x + x + 2) + " " +
                        std::to_string(w.y + y + 2) + " sleep 0.3";
    for (int i = 1; i <= 4; ++i) {
      steps += " mousemove " + std::to_string(w.x + x + dx * i / 4) + " " +
               std::to_string(w.y + y + dy * i / 4) + " sleep 0.15";
    }
    Xdo(steps + " mouseup 1");
    EXPECT_TRUE(WaitUntil([&] { return !PointerGrabbed(x_.display()); })) << "the drag held on";
  }

  // Two clicks 120 ms apart: a double-click.
  void DoubleClick(int x, int y) const {
    PointAt(x, y);
    Xdo("click --repeat 2 --delay 120 1");
  }

  // A right press at (x, y) of the widget; returns once its menu is on screen and holds
  // the keyboard, so that keys typed next reach the menu and not the widget.
  void OpenMenuAt(int x, int y) const {
    const std::size_t before = OtherWindows().size();
    PointAt(x, y);
    Xdo("click 3");
    EXPECT_TRUE(WaitUntil([&] {
      return OtherWindows().size() > before && KeyboardGrabbed(x_.display());
    })) << "no menu opened";
  }

  // Opens the whole control menu with a right press on a bare place of the widget and
  // types keys into it ("s Down Return": the style submenu, its second entry); returns
  // once the menu has let go of the keyboard (its command has been chosen).
  void Menu(const std::string& keys) const {
    OpenMenuAt(kBareX, kBareY);
    std::istringstream in(keys);
    std::string key;
    while (in >> key) {
      // A letter opens a submenu, whose keys follow once it is on screen, or chooses an
      // entry, which closes the menu.
      const std::size_t shown = OtherWindows().size();
      Xdo("key " + key);
      if (key.size() == 1) {
        EXPECT_TRUE(WaitUntil([&] {
          return OtherWindows().size() > shown || !KeyboardGrabbed(x_.display());
        })) << key;
      }
    }
    EXPECT_TRUE(WaitUntil([&] { return !KeyboardGrabbed(x_.display()); })) << "menu still open";
  }

  static constexpr int kBareX = 150;  // no picture or label here: the window itself
  static constexpr int kBareY = 80;

 private:
  XvfbDisplay x_;
  PortalProcess portal_;
  bool windowManager_;
  HelperProcess wm_;
};

// The state after a fresh render: the program redraws on SIGUSR1 (a refresh).
QJsonObject FreshDump(RunningProgram& run) {
  std::remove(run.dumpPath.c_str());
  kill(run.pid, SIGUSR1);
  EXPECT_TRUE(WaitForDump(run, 30));
  return ReadDump(run);
}

// Waits for the next render, which the command just given causes.
QJsonObject DumpAfter(RunningProgram& run, const std::function<void()>& command) {
  std::remove(run.dumpPath.c_str());
  command();
  EXPECT_TRUE(WaitForDump(run, 30)) << "no render after the command";
  return ReadDump(run);
}

double TopTwips(const QJsonObject& dump) { return dump["window"].toObject()["top"].toDouble(); }
double LeftTwips(const QJsonObject& dump) { return dump["window"].toObject()["left"].toDouble(); }

const std::vector<std::string> kStandardSettings = {"[SYSTEM]", "LocalID=101010100",
                                                    "CurrentX=1500", "CurrentY=1500"};

std::string ScreenshotPath(const std::string& name) {
  return std::string(NIMBULUX_BINARY_DIR) + "/" + name;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
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
         Lines(Shell(env + "xdotool search --onlyvisible --name '^Nimbulux V' 2>/dev/null"))) {
      const std::string geometry = Shell(env + "xdotool getwindowgeometry " + id);
      if (geometry.find("300x205") == std::string::npos) dialog = id;
    }
    if (dialog.empty()) usleep(50000);
  }
  ASSERT_FALSE(dialog.empty()) << "the first-run dialog did not open";
  EXPECT_TRUE(IsRunning(run));
  Shell(env + "timeout 10 xdotool windowfocus --sync " + dialog + "; " + env +
        "xdotool key Escape");
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
  // The widget sits at (100, 100): its background differs from the empty screen, and
  // its texts are light on dark. Looked at until the rendered texts are on screen.
  const std::string shot = folder.File("screen.png");
  QImage screen;
  int light = 0;
  WaitUntil([&] {
    Shell("import -display " + x.display() + " -window root " + shot);
    screen = QImage(QString::fromStdString(shot));
    if (screen.isNull() || !FileExists(run.dumpPath)) return false;
    light = 0;
    for (int y = 100; y < 305; ++y)
      for (int xx = 100; xx < 400; ++xx) light += qGray(screen.pixel(xx, y)) > 200;
    return light > 100;
  });
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  ASSERT_FALSE(screen.isNull());
  EXPECT_NE(screen.pixel(250, 250), screen.pixel(600, 450));
  EXPECT_GT(light, 100);
  // Kept for a look by eye when NIMBULUX_KEEP_SCREENSHOT names a file.
  if (const char* keep = std::getenv("NIMBULUX_KEEP_SCREENSHOT")) screen.save(keep);
}

// ---- mouse and menu commands under a window manager --------------------------------

TEST(EndToEndX11, DragMovesTheWidgetLockStopsItAndExitSavesTheMarks) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  std::vector<std::string> settings = kStandardSettings;
  settings.push_back("MyColor=9;10;11;12;13");
  folder.WriteSettings(settings);
  RunningProgram run = desktop.Start(folder);
  ASSERT_EQ(desktop.Widget().x, 100);
  ASSERT_EQ(desktop.Widget().y, 100);

  desktop.Drag(Desktop::kBareX, Desktop::kBareY, 150, 120);
  const Rect moved = desktop.Widget();
  // The window follows the pointer once it has travelled a few pixels with the button.
  EXPECT_NEAR(moved.x, 250, 4);
  EXPECT_NEAR(moved.y, 220, 4);
  QJsonObject dump = FreshDump(run);
  EXPECT_EQ(LeftTwips(dump), moved.x * 15);
  EXPECT_EQ(TopTwips(dump), moved.y * 15);
  EXPECT_FALSE(dump["window"].toObject()["topmost"].toBool());  // ended below the top edge

  desktop.Menu("s Down Down Down Return");  // 风格 > 锁住
  desktop.Drag(Desktop::kBareX, Desktop::kBareY, 100, 100);
  EXPECT_EQ(desktop.Widget().x, moved.x);
  EXPECT_EQ(desktop.Widget().y, moved.y);
  // Right presses and double-clicks still work while locked.
  const int viewMode = FreshDump(run)["viewMode"].toInt();
  dump = DumpAfter(run, [&] { desktop.DoubleClick(63, 17); });
  EXPECT_NE(dump["viewMode"].toInt(), viewMode);

  desktop.Menu("s Down Down Return");  // 顶端
  // Topmost, the widget still stays out of the task bar and the pager.
  const std::string state = desktop.Xprop("-id " + desktop.WidgetId() + " _NET_WM_STATE");
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_ABOVE")) << state;
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_TASKBAR")) << state;
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_PAGER")) << state;
  desktop.Menu("f Down Return");  // 外观 > 自选
  desktop.Menu("x");              // 退出(&X)
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const std::string saved = folder.ReadSettings();
  EXPECT_TRUE(Contains(saved, "Lock=1")) << saved;
  EXPECT_TRUE(Contains(saved, "Top=1")) << saved;
  EXPECT_FALSE(Contains(saved, "Trans=")) << saved;  // a "0" is never stored
  EXPECT_FALSE(Contains(saved, "Desk=")) << saved;
  EXPECT_TRUE(Contains(saved, "BackGround=1")) << saved;
  EXPECT_TRUE(Contains(saved, "MyColor=9;10;11;12;13")) << saved;
  EXPECT_TRUE(Contains(saved, "CurrentX=" + std::to_string(moved.x * 15))) << saved;
  EXPECT_TRUE(Contains(saved, "CurrentY=" + std::to_string(moved.y * 15))) << saved;
}

TEST(EndToEndX11, WithoutAWindowManagerTheWidgetIsDraggedByHand) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb or xdotool";
  Desktop desktop({"--date", "2026-12-07", "--hour", "10"}, false);
  ProgramFolder folder;
  folder.WriteSettings(kStandardSettings);
  RunningProgram run = desktop.Start(folder);
  desktop.Drag(Desktop::kBareX, Desktop::kBareY, 120, 80);
  // Followed from where it was pressed: exactly under the pointer.
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().x == 220; }));
  EXPECT_EQ(desktop.Widget().y, 180);
  EXPECT_EQ(LeftTwips(FreshDump(run)), 3300);
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST(EndToEndX11, TheTopEdgeDocksTheWidgetAndItsStripBringsItBack) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  folder.WriteSettings(kStandardSettings);
  RunningProgram run = desktop.Start(folder);

  // Dragged above the top edge: topmost, then hidden at the next pointer move over it.
  desktop.Drag(Desktop::kBareX, Desktop::kBareY, 0, -170);
  EXPECT_LT(desktop.Widget().y, 0);
  EXPECT_TRUE(FreshDump(run)["window"].toObject()["topmost"].toBool());
  desktop.PointAt(Desktop::kBareX, 180);
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().y == -175; }));
  EXPECT_EQ(TopTwips(FreshDump(run)), -2620);

  // The strip left on the screen (the lowest 30 pixels) brings it back, docked at 1 twip.
  const Rect hidden = desktop.Widget();
  desktop.ScreenPointer(hidden.x + 150, 10);
  desktop.ScreenPointer(hidden.x + 151, 12);
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().y == 0; }));
  QJsonObject dump = FreshDump(run);
  EXPECT_EQ(TopTwips(dump), 1);
  EXPECT_TRUE(dump["window"].toObject()["topmost"].toBool());

  // The pointer about to leave at the bottom: up again.
  desktop.ScreenPointer(hidden.x + 150, 150);
  desktop.ScreenPointer(hidden.x + 150, 190);
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().y == -175; }));
  EXPECT_EQ(TopTwips(FreshDump(run)), -2620);

  // Back on the strip, then "缺省" centres the docked widget on the 1024 x 768 screen.
  desktop.ScreenPointer(hidden.x + 150, 10);
  desktop.ScreenPointer(hidden.x + 151, 12);
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().y == 0; }));
  desktop.Menu("s Return");
  ASSERT_TRUE(WaitUntil([&] { return desktop.Widget().y > 200; }));
  EXPECT_EQ(desktop.Widget().x, 362);
  EXPECT_EQ(desktop.Widget().y, 282);
  dump = FreshDump(run);
  EXPECT_EQ(LeftTwips(dump), 5430);
  EXPECT_EQ(TopTwips(dump), 4222.5);
  EXPECT_FALSE(dump["window"].toObject()["topmost"].toBool());
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST(EndToEndX11, RightPressOpensTheCityMenuOverTheCityNameElseTheWholeMenu) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  std::vector<std::string> settings = kStandardSettings;
  for (const char* line : {"[CITY]", "Count=2", "1=上海;101020100;1", "2=广州;101280101;0"}) {
    settings.push_back(line);
  }
  folder.WriteSettings(settings);
  RunningProgram run = desktop.Start(folder);

  desktop.OpenMenuAt(130, 15);  // the city name
  std::vector<Rect> menus = desktop.OtherWindows();
  ASSERT_EQ(menus.size(), 1u);
  const Rect cityMenu = menus[0];
  desktop.Screenshot(ScreenshotPath("e2e_city_menu.png"));
  desktop.Xdo("key Escape");
  ASSERT_TRUE(WaitUntil([&] { return desktop.OtherWindows().empty(); }));

  desktop.OpenMenuAt(Desktop::kBareX, Desktop::kBareY);
  menus = desktop.OtherWindows();
  ASSERT_EQ(menus.size(), 1u);
  desktop.Screenshot(ScreenshotPath("e2e_control_menu.png"));
  desktop.Xdo("key Escape");
  // 选择, the separator and two cities against the eight entries and separators of the
  // whole menu.
  EXPECT_LT(cityMenu.h, menus[0].h);
  EXPECT_GT(cityMenu.h, 50);

  // A watched city chosen from the city menu is shown, and stored at exit.
  QJsonObject dump = DumpAfter(run, [&] {
    desktop.OpenMenuAt(130, 15);
    desktop.Xdo("key Down Down Return");
  });
  EXPECT_EQ(dump["city"].toString(), "101020100");
  desktop.Menu("x");
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const std::string saved = folder.ReadSettings();
  EXPECT_TRUE(Contains(saved, "LocalID=101020100")) << saved;
  EXPECT_TRUE(Contains(saved, "1=上海;101020100;1")) << saved;
}

TEST(EndToEndX11, ARunWithAFixedCityStoresNothingAtExit) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  std::vector<std::string> settings = kStandardSettings;
  for (const char* line : {"[CITY]", "Count=1", "1=上海;101020100;1"}) settings.push_back(line);
  folder.WriteSettings(settings);
  const std::string before = folder.ReadSettings();
  RunningProgram run = desktop.Start(folder, {"local=101280101"});
  QJsonObject dump = DumpAfter(run, [&] {
    desktop.OpenMenuAt(130, 15);
    desktop.Xdo("key Down Down Return");
  });
  EXPECT_EQ(dump["city"].toString(), "101020100");
  desktop.Menu("s Down Down Return");  // 顶端
  desktop.Menu("x");
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  EXPECT_EQ(folder.ReadSettings(), before);
}

TEST(EndToEndX11, DoubleClicksSwitchTheIndexViewAndTheRowOfSmallPictures) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  std::vector<std::string> settings = kStandardSettings;
  for (const char* line : {"[CITY]", "Count=2", "1=上海;101020100;1", "2=广州;101280101;1"}) {
    settings.push_back(line);
  }
  folder.WriteSettings(settings);
  RunningProgram run = desktop.Start(folder);
  const Rect before = desktop.Widget();

  // The second big picture: the index view and back.
  const int first = FreshDump(run)["viewMode"].toInt();
  QJsonObject dump = DumpAfter(run, [&] { desktop.DoubleClick(63, 17); });
  const int second = dump["viewMode"].toInt();
  EXPECT_NE(second, first);
  dump = DumpAfter(run, [&] { desktop.DoubleClick(63, 17); });
  EXPECT_EQ(dump["viewMode"].toInt(), first);
  EXPECT_TRUE(dump["normalView"].toBool());

  // A small picture: five days and the watched cities alternate, each with a refresh.
  const int multi = dump["showSeveralCities"].toInt();
  dump = DumpAfter(run, [&] { desktop.DoubleClick(47, 107); });
  EXPECT_EQ(dump["showSeveralCities"].toInt(), multi > 0 ? 0 : 1);
  dump = DumpAfter(run, [&] { desktop.DoubleClick(97, 123); });
  EXPECT_EQ(dump["showSeveralCities"].toInt(), multi);
  // Clicks are no drags: the widget stayed where it was.
  EXPECT_EQ(desktop.Widget().x, before.x);
  EXPECT_EQ(desktop.Widget().y, before.y);
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST(EndToEndX11, ReadmeViewTurnsTheControlFormIntoAPortraitPageAndBack) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  folder.WriteSettings(kStandardSettings);
  RunningProgram run = desktop.Start(folder);

  auto shownForm = [&] {
    const auto ids = Lines(desktop.Xdo("search --onlyvisible --name '^Nimbulux V' 2>/dev/null"));
    return ids.empty() ? std::string() : ids.back();
  };
  std::string form;
  desktop.Menu("o Down Return");  // 选项 > 说明
  ASSERT_TRUE(WaitUntil([&] { return !(form = shownForm()).empty(); }));
  // 6000 x 4000 twips (400 x 267 pixels) turned into 4000 x 6000.
  Rect page = desktop.Geometry(form);
  EXPECT_EQ(page.w, 267);
  EXPECT_EQ(page.h, 400);
  desktop.Screenshot(ScreenshotPath("e2e_readme.png"));

  // The close box only hides the form; the program runs on.
  desktop.Activate(form);
  desktop.Xdo("key --clearmodifiers alt+F4");
  ASSERT_TRUE(WaitUntil([&] { return shownForm().empty(); }));
  EXPECT_TRUE(IsRunning(run));
  // The form got its landscape size back: turned again, it is the same portrait page
  // (a form left portrait would now turn landscape).
  desktop.Menu("o Down Return");
  ASSERT_TRUE(WaitUntil([&] { return !(form = shownForm()).empty(); }));
  page = desktop.Geometry(form);
  EXPECT_EQ(page.w, 267);
  EXPECT_EQ(page.h, 400);
  desktop.Activate(form);
  desktop.Xdo("key Escape");
  ASSERT_TRUE(WaitUntil([&] { return shownForm().empty(); }));
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST(EndToEndX11, DesktopTwiceGivesBackATopLevelWindowAtTheSamePlace) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  Desktop desktop;
  ProgramFolder folder;
  folder.WriteSettings(kStandardSettings);
  RunningProgram run = desktop.Start(folder);
  const std::string id = desktop.WidgetId();
  const Rect before = desktop.Widget();
  // A widget stays out of the task bar and the pager in every style.
  auto skipsTaskBar = [&] {
    const std::string s = desktop.Xprop("-id " + id + " _NET_WM_STATE");
    return Contains(s, "_NET_WM_STATE_SKIP_TASKBAR") && Contains(s, "_NET_WM_STATE_SKIP_PAGER");
  };
  EXPECT_TRUE(skipsTaskBar());

  desktop.Menu("s Down Return");  // 桌面
  std::string state = desktop.Xprop("-id " + id + " _NET_WM_STATE _NET_WM_DESKTOP");
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_BELOW")) << state;
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_TASKBAR")) << state;
  EXPECT_TRUE(Contains(state, "_NET_WM_STATE_SKIP_PAGER")) << state;
  EXPECT_TRUE(Contains(state, "_NET_WM_DESKTOP(CARDINAL) = 4294967295")) << state;
  EXPECT_EQ(desktop.WidgetId(), id);

  desktop.Menu("s Down Return");
  state = desktop.Xprop("-id " + id + " _NET_WM_STATE _NET_WM_DESKTOP");
  EXPECT_FALSE(Contains(state, "BELOW")) << state;
  EXPECT_FALSE(Contains(state, "STICKY")) << state;
  EXPECT_TRUE(skipsTaskBar());
  EXPECT_TRUE(Contains(state, "_NET_WM_DESKTOP(CARDINAL) = 0")) << state;
  EXPECT_EQ(desktop.WidgetId(), id);
  EXPECT_EQ(desktop.Widget().x, before.x);
  EXPECT_EQ(desktop.Widget().y, before.y);
  desktop.Menu("x");
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  EXPECT_FALSE(Contains(folder.ReadSettings(), "Desk="));
}

TEST(EndToEndX11, AutomaticBackgroundShowsTheOwnPictureBetweenSunriseAndSunset) {
  if (!ToolsAvailable()) GTEST_SKIP() << "no Xvfb, openbox or xdotool";
  const char* faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
  if (access(faketime, R_OK) != 0) GTEST_SKIP() << "no libfaketime";
  // The forecast page of the demo portal with sunrise 06:30 and sunset 18:10.
  namespace ps = nimbulux::portal_server;
  TempDir fixtures;
  const ps::City* city = ps::FindCityByCode("101010100");
  ASSERT_NE(city, nullptr);
  std::string page = ps::ForecastPageHtml(*city, ps::PortalTime{2026, 12, 7, 10});
  page = std::regex_replace(page, std::regex("日出 \\d\\d:\\d\\d \\| 日落 \\d\\d:\\d\\d"),
                            "日出 06:30 | 日落 18:10");
  ASSERT_TRUE(Contains(page, "日出 06:30 | 日落 18:10"));
  std::filesystem::create_directories(fixtures.File("html/weather"));
  WriteFile(fixtures.File("html/weather/101010100.shtml"), page);

  Desktop desktop({"--date", "2026-12-07", "--hour", "10", "--fixtures", fixtures.path()});
  for (const auto& [now, expected] : std::vector<std::pair<std::string, std::string>>{
           {"12:00", "custom"}, {"18:11", "default"}}) {
    SCOPED_TRACE(now);
    ProgramFolder folder;
    folder.WriteSettings(kStandardSettings);
    std::filesystem::create_directories(folder.File("Images"));
    QImage own(299, 210, QImage::Format_RGB32);
    own.fill(qRgb(204, 102, 51));
    WriteFile(folder.File("Images/bg.gif"), ps::EncodeGif(own));
    RunningProgram run = desktop.Start(
        folder, {}, {{"LD_PRELOAD", faketime}, {"FAKETIME", "@2026-12-07 " + now + ":00"}});
    const QJsonObject dump = DumpAfter(run, [&] { desktop.Menu("f Down Down Return"); });
    ASSERT_FALSE(dump.isEmpty());
    EXPECT_EQ(dump["weather"].toObject()["ExtraLines"].toArray()[5].toString().right(5), "18:10");
    EXPECT_EQ(dump["background"].toString(), QString::fromStdString(expected));
    desktop.Menu("x");
    EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
    EXPECT_TRUE(Contains(folder.ReadSettings(), "BackGround=2"));
  }
}
