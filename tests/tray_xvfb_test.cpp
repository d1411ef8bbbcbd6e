// The tray icons in a real notification area: Xvfb with trayer as the tray host. The digits
// must reach the screen in the colours of the rules.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/setting_defaults.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"
#include "tray/tray_gui.h"
#include "tray/tray_icon.h"

using namespace nimbulux;

namespace {

bool Found(const char* program) {
  return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

// Lets events run until done() holds or the bound passes; tray hosts embed asynchronously.
template <typename Done>
bool RunEventsUntil(Done done, int boundMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > boundMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return true;
}

int CountColour(const QImage& image, QRgb rgb) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
  return n;
}

}  // namespace

TEST(TrayInARealTray, DigitsShowInTheRuleColoursAndClicksArrive) {
  if (!test::XvfbDisplay::Available() || !Found("trayer"))
    GTEST_SKIP() << "Xvfb or trayer not installed";
  test::TempDir runtime;
  test::XvfbDisplay xvfb("320x120x24");
  const std::string displayName = xvfb.display();
  setenv("DISPLAY", displayName.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the XEmbed tray of trayer, not a D-Bus watcher
  test::TrayerOnDisplay trayer(
      displayName,
      {"--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32", "--tint",
       "0xC0C0C0", "--transparent", "true", "--alpha", "0", "--SetDockType", "false"});

  int argc = 1;
  char name[] = "tray_xvfb_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  ASSERT_TRUE(RunEventsUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

  // 0 black, 14 green, 25 blue, 38 light red under the default rules.
  std::vector<std::unique_ptr<TrayIcon>> icons;
  for (std::int16_t v : {0, 14, 25, 38}) {
    auto picture = TemperatureIcon(v, kDefaultTrayColourRules, false);
    ASSERT_TRUE(picture);
    icons.push_back(std::make_unique<TrayIcon>());
    icons.back()->Add(*picture, QStringLiteral("Nimbulux %1").arg(v));
  }
  QImage shot;
  ASSERT_TRUE(RunEventsUntil([&] {
    shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return CountColour(shot, 0xFF0000) > 0 && CountColour(shot, 0x008000) > 0 &&
           CountColour(shot, 0x000080) > 0;
  })) << "the icons did not reach the screen";
  shot.save(QStringLiteral(NIMBULUX_BINARY_DIR "/tray_xvfb.png"));
  // The digits keep their exact colours (no blending with the panel).
  EXPECT_GE(CountColour(shot, 0x008000), 20);
  EXPECT_GE(CountColour(shot, 0xFF0000), 20);

  // Real clicks on the first icon reach the widget as its requests.
  if (Found("xdotool")) {
    TrayIcon& first = *icons.front();
    TrayWidgetState state{false, true, 300, false};
    first.SetStateProvider([&] { return state; });
    bool hidden = false;
    bool menu = false;
    QObject::connect(&first, &TrayIcon::hideWidgetRequested, [&] { hidden = true; });
    QObject::connect(&first, &TrayIcon::controlMenuRequested, [&] { menu = true; });
    const QRect where = first.Geometry();
    ASSERT_FALSE(where.isEmpty());
    auto click = [&](const char* button) {
      QProcess::execute(QStringLiteral("xdotool"),
                        {QStringLiteral("mousemove"), QString::number(where.center().x()),
                         QString::number(where.center().y()), QStringLiteral("click"),
                         QString::fromLatin1(button)});
    };
    click("1");
    EXPECT_TRUE(RunEventsUntil([&] { return hidden; }));
    click("3");
    EXPECT_TRUE(RunEventsUntil([&] { return menu; }));
  }

  if (const char* keep = std::getenv("NIMBULUX_TRAY_DEMO_SECONDS")) {
    // For a look at the real thing (import -window root): keep the icons up a while.
    std::printf("DISPLAY %s\n", displayName.c_str());
    std::fflush(stdout);
    RunEventsUntil([] { return false; }, std::atoi(keep) * 1000);
  }
}
