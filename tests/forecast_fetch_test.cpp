// The whole forecast step against the demo portal on loopback, with a real Images folder.
#include <gtest/gtest.h>

#include "core/program_paths.h"
#include "demo/demo_weather.h"
#include "net/http_fetch.h"
#include "pages/portal_data.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "weather/forecast_fetch.h"
#include "weather/icon_cache.h"
#include "weather/weather_state.h"

namespace nimbulux {
namespace {

using portal_server::CityWeather;
using portal_server::FindCityByCode;
using portal_server::PortalTime;
using portal_server::WeatherFor;

class FetchForecastTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Paths().dataDir = folder_.path();
    Weather() = {};
    Weather().PortalBase = FromUtf8(portal_.base());
    Weather().CurrentCityId = u"101010100";
    SaveIcons() = 0;
    context_.WaitPicture = QImage(4, 3, QImage::Format_ARGB32);
    context_.LetEventsRun = [this](const ForecastView& shown) {
      ++eventRuns_;
      placeholdersShown_ = shown.TodayPictures[0].Kind == PictureKind::Wait &&
                           shown.TodayPictures[1].Kind == PictureKind::Wait &&
                           shown.TodayPictures[0].Image.has_value();
    };
  }

  const CityWeather Generated(const char* code) {
    return WeatherFor(*FindCityByCode(code), PortalTime{2026, 12, 7, 10});
  }

  test::TempDir folder_;
  test::PortalProcess portal_{{"--date", "2026-12-07", "--hour", "10"}};
  ForecastContext context_;
  ForecastView controls_;
  int eventRuns_ = 0;
  bool placeholdersShown_ = false;
};

TEST_F(FetchForecastTest, FetchesParsesAndLoadsThePictures) {
  controls_.RowUpper[2].Tag = u"old";
  FetchForecast(context_, controls_);
  EXPECT_EQ(eventRuns_, 1);
  EXPECT_TRUE(placeholdersShown_);

  const CityWeather w = Generated("101010100");
  const auto& state = Weather().State;
  EXPECT_EQ(state.CityName, u"北京");
  EXPECT_EQ(state.TodayForecast[1], DecimalText(w.days[0].high));
  EXPECT_EQ(state.ExtraLines[4], T("日出 " + w.sunrise));
  EXPECT_TRUE(Weather().ForecastPageReceived);
  EXPECT_TRUE(Weather().PendingForecastText.empty());
  EXPECT_FALSE(controls_.NotesTooltip.empty());
  EXPECT_EQ(controls_.WindTooltip, state.TodayForecast[3]);
  for (const ForecastPicture& box : controls_.TodayPictures) {
    EXPECT_EQ(box.Kind, PictureKind::Icon);
    EXPECT_TRUE(box.Image.has_value()) << ToUtf8(box.IconName);
  }
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_TRUE(controls_.RowUpper[i].Image.has_value()) << i;
    EXPECT_TRUE(controls_.RowLower[i].Image.has_value()) << i;
    EXPECT_FALSE(controls_.RowUpper[i].Tag.empty());
  }
  EXPECT_TRUE(ResponseBytes().empty());
  // SaveIcons 0: nothing was written to the folder.
  EXPECT_FALSE(test::FileExists(IconCacheFile(controls_.TodayPictures[0].IconName, false)));
}

TEST_F(FetchForecastTest, EveryCallFetchesThePageAgain) {
  FetchForecast(context_, controls_);
  const Text first = Weather().State.TodayForecast[0];
  ASSERT_FALSE(first.empty());
  // Nothing pending: the second call must fetch and parse the page again.
  Weather().State.TodayForecast = {};
  Weather().State.ExtraLines = {};
  FetchForecast(context_, controls_);
  EXPECT_EQ(Weather().State.TodayForecast[0], first);
  EXPECT_FALSE(Weather().State.ExtraLines[0].empty());
}

TEST_F(FetchForecastTest, APendingPageIsParsedWithoutFetching) {
  Weather().CurrentCityId = u"000000000";  // a fetch would find nothing
  Weather().PendingForecastText =
      u"x\nFutWeather\n星期五\nno pictures\n晴\n高温：9℃\n低温：1℃\n微风";
  FetchForecast(context_, controls_);
  EXPECT_EQ(Weather().State.TodayForecast[0], u"晴");
  EXPECT_EQ(Weather().State.TodayForecast[1], u"9");
  EXPECT_EQ(controls_.RowUpper[0].Tag, u"五");
  EXPECT_EQ(controls_.RowLower[0].Tag, u"9/1");
}

TEST_F(FetchForecastTest, SeveralCitiesFromTheirSummaries) {
  context_.Options.ShowSeveralCities = 1;
  context_.Options.WatchedCities = {{u"北京", u"101010100", true},
                                    {u"上海", u"101020100", false},
                                    {u"乌鲁木齐", u"507050100", true},
                                    {u"未知", u"599990100", true}};
  FetchForecast(context_, controls_);
  EXPECT_EQ(controls_.RowUpper[0].Tag, u"北京");
  EXPECT_EQ(controls_.RowUpper[1].Tag, u"乌鲁木齐");
  const auto far = Generated("507050100").days[0];
  const int high = std::max(far.high, far.low);
  const int low = std::min(far.high, far.low);
  EXPECT_EQ(controls_.RowLower[1].Tag, DecimalText(high) + u"/" + DecimalText(low));
  EXPECT_TRUE(controls_.RowUpper[1].Image.has_value());
  EXPECT_EQ(controls_.RowUpper[1].IconName, T("/m/i/icon_weather/21x15/" + far.dayIcon));
  for (std::size_t i = 2; i < 5; ++i) {
    EXPECT_EQ(controls_.RowUpper[i].Tag, u"") << i;
    EXPECT_FALSE(controls_.RowLower[i].Image.has_value()) << i;
  }
}

TEST_F(FetchForecastTest, AnUnreachablePortalLeavesThePlaceholders) {
  Weather().ForecastPageReceived = true;
  portal_.Stop();
  FetchForecast(context_, controls_);
  EXPECT_TRUE(Weather().State.TodayForecast[0].empty());
  EXPECT_TRUE(Weather().ForecastPageReceived);
  EXPECT_EQ(controls_.TodayPictures[0].Kind, PictureKind::Wait);
  EXPECT_TRUE(controls_.TodayPictures[1].Image.has_value());
  for (const ForecastPicture& box : controls_.RowUpper) {
    EXPECT_TRUE(box.Visible);
    EXPECT_FALSE(box.Image.has_value());
  }
}

}  // namespace
}  // namespace nimbulux
