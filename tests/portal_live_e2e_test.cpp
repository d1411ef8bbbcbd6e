// The real widget on an X server, reading the portal in live mode, which reads a fake
// weather service: what the widget holds after a refresh is the service's weather.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <cstdlib>

#include "e2e_support.h"
#include "portal_fake_provider.h"
#include "support/portal_process.h"
#include "support/xvfb.h"

namespace nimbulux::test {
namespace {

TEST(LiveEndToEnd, TheWidgetShowsTheServiceWeather) {
  if (!XvfbDisplay::Available()) GTEST_SKIP() << "no Xvfb";
  FakeWeatherProvider provider;
  TempDir cache, data;
  PortalProcess portal({"--source", "live", "--provider-url", provider.base(), "--cache-dir",
                        cache.path(), "--data-dir", data.path(), "--date", "2026-12-07", "--hour",
                        "15"});
  XvfbDisplay x("640x480x24");
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100", "CurrentX=1500", "CurrentY=1500"});
  RunningProgram run =
      StartProgram(folder, {"autoexit=4"}, portal.base(), {{"DISPLAY", x.display()}});
  ASSERT_TRUE(WaitForDump(run, 20));
  usleep(1000000);  // let the window system map and paint it
  const std::string shot = folder.File("screen.png");
  ShellOutput("import -display " + x.display() + " -window root " + shot);
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));

  const QJsonObject dump = ReadDump(run);
  const QJsonObject w = dump["weather"].toObject();
  EXPECT_EQ(w["CityName"].toString(), QString::fromUtf8("北京"));
  EXPECT_EQ(w["NowTemperature"].toString(), QString::fromUtf8("1℃"));
  EXPECT_EQ(w["TodayForecast"].toArray()[0].toString(), QString::fromUtf8("小雪"));
  EXPECT_EQ(w["NowDetails"].toArray()[0].toString(), QString::fromUtf8("湿度70%"));
  EXPECT_EQ(w["NowDetails"].toArray()[1].toString(), QString::fromUtf8("西北风3级"));
  const char* const days[] = {"3/-5", "5/-6", "7/-3", "4/-2", "2/-2"};
  for (int d = 0; d < 5; ++d) {
    EXPECT_EQ(dump["Image3"].toArray()[d].toObject()["tag"].toString(), days[d]) << d;
  }
  EXPECT_EQ(provider.ForecastRequests(), 1);

  const QImage screen(QString::fromStdString(shot));
  ASSERT_FALSE(screen.isNull());
  EXPECT_NE(screen.pixel(250, 250), screen.pixel(600, 450));  // the widget is on screen
  if (const char* keep = std::getenv("NIMBULUX_KEEP_SCREENSHOT")) screen.save(keep);
}

}  // namespace
}  // namespace nimbulux::test
