// The widget on a real X server (Xvfb, no window manager) while a fetch waits for a slow
// portal: it repaints what another window uncovers and keeps the user's drag for when the
// reply is in; asked to end, it ends at once, and the input it held never runs; a tray
// click that arrives over D-Bus waits, like held X input, until the fetch is over.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
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

// The real-time page takes 8 s: every refresh waits that long for it, with the widget
// already on screen (the first refresh of the run: before its first state dump).
const std::vector<std::string> kSlowConditions = {"--date", "2026-12-07", "--hour",
                                                  "10",     "--fault",    "/data/sk/=delay:8000"};
const std::vector<std::string> kSettings = {"[SYSTEM]", "LocalID=101010100", "CurrentX=1500",
                                            "CurrentY=1500"};
// The widget's place on the screen (CurrentX and CurrentY in pixels).
constexpr int kWidgetX = 100;
constexpr int kWidgetY = 100;
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

// How many of the program's windows are on screen besides the widget (menus, dialogs).
int OtherWindows(const std::string& display) {
  int count = 0;
  for (const std::string& id :
       OutputLines(Xdo(display, "search --onlyvisible --classname nimbulux"))) {
    if (Xdo(display, "getwindowgeometry " + id).find("Geometry: 300x205") == std::string::npos) {
      ++count;
    }
  }
  return count;
}

QImage Screenshot(const std::string& display, const std::string& file) {
  ShellOutput("import -display " + display + " -window root " + file);
  return QImage(QString::fromStdString(file));
}

int MagentaPixels(const QImage& screen, int x, int y, int w, int h) {
  int n = 0;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) n += (screen.pixel(px, py) & 0xFFFFFF) == kMagenta;
  }
  return n;
}

// A plain magenta window over a rectangle of the screen while the object lives.
class Cover {
 public:
  Cover(const std::string& display, int x, int y, int w, int h)
      : c_(xcb_connect(display.c_str(), nullptr)) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    window_ = xcb_generate_id(c_);
    const uint32_t values[] = {kMagenta, 1};
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(h),
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c_, window_);
    xcb_flush(c_);
  }
  ~Cover() {
    xcb_destroy_window(c_, window_);
    xcb_flush(c_);
    xcb_disconnect(c_);
  }
  Cover(const Cover&) = delete;
  Cover& operator=(const Cover&) = delete;

 private:
  xcb_connection_t* c_;
  xcb_window_t window_ = 0;
};

// The portal's request log: one line per request, written when it is answered.
class PortalLog {
 public:
  explicit PortalLog(const TempDir& dir) : path_(dir.File("portal.log")) {}
  const std::string& path() const { return path_; }
  // Requests for the forecast page so far: one at start-up and one per refresh.
  int ForecastRequests() const {
    int n = 0;
    for (const std::string& line : OutputLines(ReadFile(path_))) {
      n += line.find(" /html/weather/") != std::string::npos;
    }
    return n;
  }

 private:
  std::string path_;
};

class EndToEndFetchWait : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbDisplay::Available() || access("/usr/bin/xdotool", X_OK) != 0) {
      GTEST_SKIP() << "no Xvfb or xdotool";
    }
    x_.emplace("640x480x24");
    portal_.emplace(kSlowConditions, log_.path());
    folder_.WriteSettings(kSettings);
  }

  const std::string& display() const { return x_->display(); }

  RunningProgram Start(std::map<std::string, std::string> env = {}) {
    env["DISPLAY"] = display();
    RunningProgram run = StartProgram(folder_, {}, portal_->base(), env);
    EXPECT_TRUE(WaitUntil([&] { return WidgetPosition(display()).has_value(); }))
        << "no widget on screen";
    return run;
  }

  // Starts a refresh as the menu's entry does, and returns once it waits for the slow
  // page: its forecast page has been answered.
  void RefreshAndWaitForTheSlowPage(const RunningProgram& run) {
    const int before = log_.ForecastRequests();
    kill(run.pid, SIGUSR1);
    ASSERT_TRUE(WaitUntil([&] { return log_.ForecastRequests() > before; }))
        << "the refresh did not start";
  }

  // A right press on a bare spot of the widget (the control menu) and a double-click on
  // its first big picture (a refresh).
  void RightClickAndDoubleClick() const {
    Xdo(display(), "mousemove " + std::to_string(kWidgetX + 150) + " " +
                       std::to_string(kWidgetY + 80) + " click 3");
    Xdo(display(), "mousemove " + std::to_string(kWidgetX + 21) + " " +
                       std::to_string(kWidgetY + 17) + " click --repeat 2 --delay 120 1");
  }

  TempDir dir_;
  PortalLog log_{dir_};
  std::optional<XvfbDisplay> x_;
  std::optional<PortalProcess> portal_;
  ProgramFolder folder_;
};

TEST_F(EndToEndFetchWait, TheWidgetRepaintsAndKeepsADragWhileAFetchWaits) {
  RunningProgram run = Start();
  // Its first paint, within the first refresh's wait.
  ASSERT_TRUE(WaitUntil([&] {
    const QImage screen = Screenshot(display(), folder_.File("first.png"));
    return !screen.isNull() && screen.pixel(kWidgetX + 150, kWidgetY + 80) != screen.pixel(0, 0);
  })) << "the widget was never painted";

  {
    const Cover cover(display(), kWidgetX, kWidgetY, 300, 205);
    ASSERT_TRUE(WaitUntil([&] {
      return MagentaPixels(Screenshot(display(), folder_.File("covered.png")), kWidgetX, kWidgetY,
                           300, 205) == 300 * 205;
    }));
  }
  EXPECT_TRUE(WaitUntil([&] {
    return MagentaPixels(Screenshot(display(), folder_.File("uncovered.png")), kWidgetX, kWidgetY,
                         300, 205) == 0;
  })) << "the uncovered widget was not painted again";
  // A drag from a bare spot of the widget, made while the fetch still waits (the pauses
  // are the hand's pace).
  Xdo(display(),
      "mousemove 250 180 mousedown 1 sleep 0.2 mousemove 252 182 sleep 0.2 mousemove 310 220 "
      "sleep 0.2 mousemove 370 260 sleep 0.2 mouseup 1");
  ASSERT_FALSE(FileExists(run.dumpPath)) << "the refresh ended before the checks were made";

  // The refresh completes with the slow page, then the held drag moves the widget.
  ASSERT_TRUE(WaitForDump(run, 30));
  EXPECT_FALSE(ReadDump(run)["weather"].toObject()["NowTemperature"].toString().isEmpty());
  EXPECT_TRUE(WaitUntil([&] { return WidgetPosition(display()) == std::make_pair(220, 180); }))
      << "the drag made during the wait was lost";
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
}

TEST_F(EndToEndFetchWait, AnExitDuringARefreshSavesAndEndsAndTheHeldClicksNeverRun) {
  RunningProgram run = Start();
  ASSERT_TRUE(WaitForDump(run, 30));  // the first refresh is over
  RefreshAndWaitForTheSlowPage(run);
  const std::string dumpBefore = ReadFile(run.dumpPath);

  // Clicks held back by the wait, then a signal and the session's hang-up ask to end.
  RightClickAndDoubleClick();
  const int requests = log_.ForecastRequests();
  Terminate(run);
  kill(run.pid, SIGHUP);
  // The wait is cut short: ended well before the slow page's 8 s. A replayed control menu
  // would keep it alive; a replayed double-click would refresh first.
  EXPECT_EQ(WaitForExit(run, 4), std::optional<int>(0));
  EXPECT_EQ(log_.ForecastRequests(), requests) << "a refresh ran after the exit was asked for";
  EXPECT_EQ(ReadFile(run.dumpPath), dumpBefore) << "the widget was rendered again";
  const std::string saved = folder_.ReadSettings();
  EXPECT_NE(saved.find("LocalID=101010100"), std::string::npos) << saved;
  EXPECT_NE(saved.find("MyFont="), std::string::npos) << saved;
}

TEST_F(EndToEndFetchWait, AnExitBeforeTheStartUpIsDoneWritesNothingWhateverInputWasHeld) {
  const std::string settingsBefore = ReadFile(folder_.SettingsFile());
  RunningProgram run = Start();
  RightClickAndDoubleClick();
  ASSERT_FALSE(FileExists(run.dumpPath)) << "the first refresh ended before the clicks";
  const int requests = log_.ForecastRequests();
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 4), std::optional<int>(0));
  EXPECT_EQ(log_.ForecastRequests(), requests);
  EXPECT_EQ(ReadFile(folder_.SettingsFile()), settingsBefore);
}

// A private session bus with a stand-in StatusNotifierWatcher: Qt then puts the tray icon
// on D-Bus, where clicks arrive as method calls instead of X input.
class DBusTrayHost {
 public:
  explicit DBusTrayHost(const TempDir& dir)
      : socket_(dir.File("bus")),
        items_(dir.File("items")),
        bus_(":0", {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket_}) {
    struct stat st {};
    EXPECT_TRUE(WaitUntil([&] { return stat(socket_.c_str(), &st) == 0; })) << "no bus";
    watcher_.emplace(":0", std::vector<std::string>{"env", "DBUS_SESSION_BUS_ADDRESS=" + address(),
                                                    NIMBULUX_WATCHER_BIN, items_});
  }
  std::string address() const { return "unix:path=" + socket_; }
  // The bus name of the first item that registered, once one has.
  std::string Item() const {
    const std::vector<std::string> lines = OutputLines(ReadFile(items_));
    return lines.empty() ? std::string() : lines.front();
  }
  // A right click on the item, as a panel sends it.
  void ContextMenu() const {
    // The call returns once the program has taken it.
    ShellOutput("DBUS_SESSION_BUS_ADDRESS=" + address() +
                " dbus-send --session --print-reply --reply-timeout=20000 --dest=" + Item() +
                " /StatusNotifierItem org.kde.StatusNotifierItem.ContextMenu int32:300 "
                "int32:300");
  }

 private:
  std::string socket_;
  std::string items_;
  HelperProcess bus_;
  std::optional<HelperProcess> watcher_;
};

TEST_F(EndToEndFetchWait, ATrayClickOverDBusDuringAWaitOpensTheMenuOnlyOnceTheWaitIsOver) {
  if (access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "no dbus-daemon";
  DBusTrayHost tray(dir_);
  RunningProgram run = Start({{"DBUS_SESSION_BUS_ADDRESS", tray.address()}});
  ASSERT_TRUE(WaitUntil([&] { return !tray.Item().empty(); })) << "no tray item registered";
  ASSERT_TRUE(WaitForDump(run, 30));
  RefreshAndWaitForTheSlowPage(run);
  const std::string dumpBefore = ReadFile(run.dumpPath);

  const int windowsBefore = OtherWindows(display());
  tray.ContextMenu();
  // Until the refresh renders, no menu; then the menu opens.
  bool menuDuringTheWait = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (ReadFile(run.dumpPath) != dumpBefore) return true;
        menuDuringTheWait = menuDuringTheWait || OtherWindows(display()) > windowsBefore;
        return false;
      },
      30));
  EXPECT_FALSE(menuDuringTheWait) << "the menu opened inside the wait";
  EXPECT_TRUE(WaitUntil([&] { return OtherWindows(display()) > windowsBefore; }))
      << "the click was lost";
  Terminate(run);
  EXPECT_EQ(WaitForExit(run, 10), std::optional<int>(0));
}

// A session manager on this machine that tells its clients to end, as at log-out.
class SessionManager {
 public:
  explicit SessionManager(const TempDir& dir)
      : registered_(dir.File("registered")),
        address_(dir.File("session-manager")),
        cookies_(dir.File("ice-authority")),
        process_(":0", {NIMBULUX_SESSION_MANAGER_BIN, registered_, address_, cookies_}) {
    EXPECT_TRUE(WaitUntil([&] { return FileExists(address_); })) << "no session manager";
  }
  // What a client needs to find and join the session.
  std::map<std::string, std::string> ClientEnvironment() const {
    const std::vector<std::string> lines = OutputLines(ReadFile(address_));
    return {{"SESSION_MANAGER", lines.empty() ? std::string() : lines.front()},
            {"ICEAUTHORITY", cookies_}};
  }
  bool ClientRegistered() const { return FileExists(registered_); }
  // Log-out: every client is told to end.
  void LogOut() { process_.Signal(SIGUSR1); }

 private:
  std::string registered_;
  std::string address_;
  std::string cookies_;
  HelperProcess process_;
};

TEST_F(EndToEndFetchWait, ALogOutDuringARefreshEndsThroughTheExitRoutine) {
  SessionManager session(dir_);
  RunningProgram run = Start(session.ClientEnvironment());
  ASSERT_TRUE(WaitUntil([&] { return session.ClientRegistered(); })) << "no session";
  ASSERT_TRUE(WaitForDump(run, 30));
  RefreshAndWaitForTheSlowPage(run);
  const std::string dumpBefore = ReadFile(run.dumpPath);
  RightClickAndDoubleClick();
  const int requests = log_.ForecastRequests();
  session.LogOut();
  EXPECT_EQ(WaitForExit(run, 4), std::optional<int>(0));
  EXPECT_EQ(log_.ForecastRequests(), requests);
  EXPECT_EQ(ReadFile(run.dumpPath), dumpBefore) << "the wait was not cut short";
  EXPECT_NE(folder_.ReadSettings().find("MyFont="), std::string::npos) << "nothing was saved";
}

TEST_F(EndToEndFetchWait, ALogOutDuringTheStartUpOfAHiddenWidgetIsNotLost) {
  folder_.WriteSettings({"[SYSTEM]", "LocalID=101010100", "Hide=1"});
  const std::string settingsBefore = ReadFile(folder_.SettingsFile());
  SessionManager session(dir_);
  std::map<std::string, std::string> env = session.ClientEnvironment();
  env["DISPLAY"] = display();
  RunningProgram run = StartProgram(folder_, {}, portal_->base(), env);
  ASSERT_TRUE(WaitUntil([&] { return session.ClientRegistered(); })) << "no session";
  // The first refresh has its forecast page and waits for the slow one.
  ASSERT_TRUE(WaitUntil([&] { return log_.ForecastRequests() > 0; }));
  session.LogOut();
  EXPECT_EQ(WaitForExit(run, 4), std::optional<int>(0)) << "the log-out was lost";
  EXPECT_FALSE(FileExists(run.dumpPath));
  EXPECT_EQ(ReadFile(folder_.SettingsFile()), settingsBefore);
}

}  // namespace
