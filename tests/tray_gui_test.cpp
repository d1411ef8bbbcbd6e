// What tray clicks ask of the widget, and the tray icon without a tray host (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <vector>

#include "support/test_application.h"
#include "tray/tray_gui.h"

using namespace nimbulux;

namespace {

QApplication& App() { return test::TestApplication(); }

QImage Checker() {
  QImage image(16, 16, QImage::Format_ARGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, (x + y) % 2 ? 0xFF00FF00u : 0x00000000u);
  return image;
}

}  // namespace

TEST(TrayIcon, ClicksBecomeTheWidgetsRequests) {
  App();
  TrayIcon tray;
  TrayWidgetState state{false, true, 300, false};
  tray.SetStateProvider([&] { return state; });
  std::vector<std::string> log;
  QObject::connect(&tray, &TrayIcon::hideWidgetRequested, [&] {
    log.push_back("hide");
    state.widgetVisible = false;
  });
  QObject::connect(&tray, &TrayIcon::showWidgetRequested, [&](bool undock) {
    log.push_back(undock ? "undock+show" : "show");
    state.widgetVisible = true;
  });
  QObject::connect(&tray, &TrayIcon::controlMenuRequested, [&] { log.push_back("menu"); });
  QObject::connect(&tray, &TrayIcon::controlFormFocusRequested, [&] { log.push_back("form"); });
  QObject::connect(&tray, &TrayIcon::systemMonitorStarted,
                   [&](bool ok) { log.push_back(ok ? "monitor" : "no monitor"); });
  std::vector<ProgramCommand> started;
  tray.SetProgramStarter([&](const ProgramCommand& c) {
    started.push_back(c);
    return true;
  });

  // A left click hides the visible widget, the next shows it again.
  tray.HandleActivation(QSystemTrayIcon::Trigger);
  tray.HandleActivation(QSystemTrayIcon::Trigger);
  // A double-click arrives as a click and then the double-click.
  tray.HandleActivation(QSystemTrayIcon::Trigger);
  tray.HandleActivation(QSystemTrayIcon::DoubleClick);
  tray.HandleActivation(QSystemTrayIcon::Context);
  tray.HandleActivation(QSystemTrayIcon::MiddleClick);
  state.cpuMode = true;
  tray.HandleActivation(QSystemTrayIcon::DoubleClick);
  state.controlFormVisible = true;
  tray.HandleActivation(QSystemTrayIcon::Trigger);
  EXPECT_EQ(log,
            (std::vector<std::string>{"hide", "show", "hide", "show", "menu", "monitor", "form"}));
  ASSERT_EQ(started.size(), 1u);
  EXPECT_FALSE(started[0].program.empty());
}

TEST(TrayIcon, AddModifyRemoveWithoutATrayHost) {
  App();
  TrayIcon tray;
  EXPECT_FALSE(tray.IsShown());
  tray.Add(Checker(), QStringLiteral("Nimbulux"));
  EXPECT_TRUE(tray.IsShown());
  tray.Modify(QImage(), QStringLiteral("[北京] 天气实况(10:25)  5℃\r湿度40% N3级 气压1010"));
  EXPECT_EQ(tray.ToolTip(), QStringLiteral("[北京] 天气实况(10:25)  5℃\n湿度40% N3级 气压1010"));
  tray.Remove();
  EXPECT_FALSE(tray.IsShown());
  // Modify after the icon went away puts it back.
  tray.Modify(Checker(), QStringLiteral("Nimbulux"));
  EXPECT_TRUE(tray.IsShown());
  tray.Remove();
}

TEST(TrayIcon, HighDpiCopiesAreWholeMultiplesWithoutSmoothing) {
  App();
  const QImage picture = Checker();
  const QIcon icon = CrispTrayIcon(picture);
  const QList<QSize> sizes = icon.availableSizes();
  for (int s : {16, 32, 48, 64}) EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
  const QImage big = icon.pixmap(QSize(64, 64)).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(big.size(), QSize(64, 64));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(big.pixel(x, y), picture.pixel(x / 4, y / 4)) << x << "," << y;
  // A panel of 22 pixels gets the 16 pixels unscaled and centred, not a blurred enlargement.
  const QImage odd = icon.pixmap(QSize(22, 22)).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(odd.size(), QSize(22, 22));
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 22; ++x) {
      const bool inside = x >= 3 && x < 19 && y >= 3 && y < 19;
      ASSERT_EQ(odd.pixel(x, y), inside ? picture.pixel(x - 3, y - 3) : 0u) << x << "," << y;
    }
  // A picture larger than the panel (the program's own icon) is reduced to fit, not cut.
  QImage large(64, 64, QImage::Format_ARGB32);
  large.fill(0xFF0000FFu);
  const QImage reduced =
      CrispTrayIcon(large).pixmap(QSize(22, 22)).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(reduced.pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(reduced.pixel(21, 21), 0xFF0000FFu);
  EXPECT_TRUE(CrispTrayIcon(QImage()).isNull());
}

TEST(CpuTrayTimer, RedrawsTheTrayOnlyWhenTheLoadChanges) {
  App();
  constexpr std::int64_t kSecond = 10'000'000;
  std::int64_t idle = 0;
  std::int64_t now = 0;
  bool fail = false;
  CpuTrayTimer timer([] { return Text(u"0:12"); });
  std::vector<int> drawn;
  QImage last;
  QObject::connect(&timer, &CpuTrayTimer::iconChanged, [&](const QImage& picture, int value) {
    drawn.push_back(value);
    last = picture;
  });
  timer.Tick();  // not started: nothing to sample
  timer.Start([&]() -> std::optional<CpuCounters> {
    if (fail) return std::nullopt;
    return CpuCounters{idle, now, 1};
  });
  EXPECT_TRUE(timer.IsActive());
  auto second = [&](double idleShare) {
    now += kSecond;
    idle += static_cast<std::int64_t>(idleShare * kSecond);
    timer.Tick();
  };
  second(0.75);  // 25 %
  second(0.75);  // the same: no redraw
  second(0.0);   // 100 %, drawn as 99
  fail = true;
  timer.Tick();  // -1 once
  timer.Tick();
  fail = false;
  timer.ResetLastValue();
  second(0.0);  // unchanged since the last draw, but the reset makes it redraw
  EXPECT_EQ(drawn, (std::vector<int>{25, 100, -1, 100}));
  ASSERT_EQ(last.size(), QSize(16, 16));
  EXPECT_EQ(last.pixel(1, 3) & 0xFFFFFF, 0xFF0000u);  // rule colour 12, light red
  EXPECT_EQ(qAlpha(last.pixel(13, 0)), 0);            // no degree ring in CPU mode
  timer.Stop();
  EXPECT_FALSE(timer.IsActive());
}
