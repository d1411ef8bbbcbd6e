// What the program shows after a refresh is what the portal generated: the program's
// state dump against the page readers run on the very replies the portal produces.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "core/text.h"
#include "demo/demo_pages.h"
#include "e2e_support.h"
#include "pages/forecast_page.h"
#include "pages/portal_data.h"
#include "pages/portal_replies.h"
#include "support/portal_process.h"
#include "weather/conditions.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"

using namespace nimbulux;
using namespace nimbulux::test;

namespace {

QString Q(const Text& t) { return QString::fromStdU16String(t); }

template <typename List>
void ExpectList(const QJsonValue& dumped, const List& expected, const char* field) {
  SCOPED_TRACE(field);
  const QJsonArray a = dumped.toArray();
  ASSERT_EQ(static_cast<std::size_t>(a.size()), std::size(expected));
  std::size_t i = 0;
  for (const Text& t : expected) EXPECT_EQ(a[static_cast<int>(i++)].toString(), Q(t)) << i;
}

}  // namespace

TEST(EndToEndPortal, DumpAfterARefreshEqualsWhatThePortalGenerated) {
  namespace ps = nimbulux::portal_server;
  const ps::PortalTime time{2026, 12, 7, 10};
  PortalProcess portal({"--date", "2026-12-07", "--hour", "10"});
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=505010100", "ShowIndex=1"});
  RunningProgram run = StartProgram(folder, {"autoexit=2"}, portal.base());
  ASSERT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);

  // The same replies, read in this process.
  const ps::City* city = ps::FindCityByCode("505010100");
  ASSERT_NE(city, nullptr);
  WeatherModule expected;
  Text page = FromUtf8(ps::ForecastPageHtml(*city, time));
  ForecastView controls;
  expected.PendingForecastText = CleanForecastPage(page, expected.State, controls.NotesTooltip);
  ForecastOptions options;
  options.ViewMode = 2;
  ParseForecastText(
      expected, options, [](TextView) { return Text(); }, controls);
  ReadConditions(FromUtf8(ps::ConditionsReply(*city, time)), expected.State);
  const WeatherState& w = expected.State;

  EXPECT_EQ(dump["city"].toString(), "505010100");
  const QJsonObject got = dump["weather"].toObject();
  ExpectList(got["DateWords"], w.DateWords, "DateWords");
  ExpectList(got["PageNotes"], w.PageNotes, "PageNotes");
  EXPECT_EQ(got["CityName"].toString(), Q(w.CityName));
  EXPECT_EQ(got["NowTemperature"].toString(), Q(w.NowTemperature));
  ExpectList(got["TodayForecast"], w.TodayForecast, "TodayForecast");
  ExpectList(got["ExtraLines"], w.ExtraLines, "ExtraLines");
  ExpectList(got["NowDetails"], w.NowDetails, "NowDetails");
  EXPECT_EQ(got["NowTimeText"].toString(), Q(w.NowTimeText));
  EXPECT_FALSE(w.NowTemperature.empty());

  // The pictures and labels of the row, and the tooltips.
  for (int i = 0; i < 5; ++i) {
    const QJsonObject upper = dump["Image1"].toArray()[i].toObject();
    EXPECT_EQ(upper["tag"].toString(), Q(controls.RowUpper[i].Tag)) << i;
    EXPECT_EQ(upper["picture"].toString(), Q(controls.RowUpper[i].IconName)) << i;
    EXPECT_EQ(dump["Image3"].toArray()[i].toObject()["tag"].toString(),
              Q(controls.RowLower[i].Tag));
  }
  EXPECT_EQ(dump["lbWind"].toString(), Q(controls.WindTooltip));
  EXPECT_EQ(dump["lbText"].toString(), Q(controls.NotesTooltip));
  EXPECT_EQ(dump["viewMode"].toInt(), 2);
  EXPECT_TRUE(dump["trayTooltip"].toString().startsWith("[" + Q(w.CityName) + "] "));
  EXPECT_EQ(dump["trayIcon"].toString().size(), 636);
}
