// The portal's forecast pages, cleaned and parsed, give back what the portal generated.
#include <gtest/gtest.h>

#include "demo/demo_pages.h"
#include "demo/demo_weather.h"
#include "forecast_reference.h"
#include "pages/forecast_page.h"
#include "pages/portal_data.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"

namespace nimbulux {
namespace {

using namespace portal_server;

Text Icon(const std::string& size, const std::string& code) {
  return T("/m/i/icon_weather/" + size + "/" + code);
}

Text Short(const std::string& direction) { return ReplaceAll(T(direction), u"风", u""); }

Text Pair(const std::string& a, const std::string& b) { return a == b ? T(a) : T(a + "转" + b); }

Text IndexShort(const IndexLine& x) { return Left(T(x.name), 2) + u"：" + T(x.value); }

struct Moment {
  const char* code;
  PortalTime time;
};

const Moment kMoments[] = {
    {"101010100", {2026, 12, 7, 10}}, {"101010100", {2026, 12, 7, 19}},
    {"101020100", {2026, 7, 15, 8}},  {"101020100", {2026, 7, 15, 22}},
    {"506050100", {2026, 2, 28, 14}}, {"506050100", {2026, 2, 28, 23}},
    {"505050100", {2027, 1, 1, 0}},   {"507050100", {2026, 10, 3, 18}},
};

class PortalPageTest : public ::testing::TestWithParam<Moment> {};

TEST_P(PortalPageTest, ParsedFieldsEqualTheGeneratedWeather) {
  const City& city = *FindCityByCode(GetParam().code);
  const PortalTime time = GetParam().time;
  const CityWeather w = WeatherFor(city, time);
  const DayForecast& today = w.days[0];
  const bool night = time.hour >= 18;

  Text page = T(ForecastPageHtml(city, time));
  EXPECT_GE(ToUtf8(page).size(), 100000u);
  // Our own name in the title and on the logo, nobody else's.
  EXPECT_NE(page.find(T("<title>" + city.name + "天气预报 - 一周天气预报 - Nimbulux 天气门户")),
            Text::npos);
  EXPECT_NE(page.find(u"alt=\"Nimbulux 天气门户\""), Text::npos);
  EXPECT_EQ(page.find(u"中国天气"), Text::npos);
  WeatherModule module;
  Text notes;
  module.PendingForecastText = CleanForecastPage(page, module.State, notes);
  EXPECT_EQ(module.State.CityName, T(city.name));
  ASSERT_GE(module.State.DateWords.size(), 2u);
  EXPECT_EQ(module.State.DateWords[1], T(WeekdayName(time)));
  EXPECT_EQ(notes, u"[" + module.State.PageNotes[0] + u"][空气质量良]");

  ForecastOptions options;
  ForecastView controls;
  const ForecastLines lines = ParseForecastText(module, options, nullptr, controls);
  EXPECT_TRUE(module.ForecastPageReceived);
  ASSERT_GT(lines.MainLines.size(), 101u);
  EXPECT_EQ(lines.MainLines[20], night ? (time.hour >= 21 ? u"晚上" : u"夜间") : u"白天");

  const auto& forecast = module.State.TodayForecast;
  if (night) {
    EXPECT_EQ(forecast[0], T(today.nightWeather));
    EXPECT_EQ(forecast[1], u"");
    EXPECT_EQ(forecast[2], T(std::to_string(today.low)));
    EXPECT_EQ(forecast[3],
              u"(" + Short(today.nightWindDirection) + T(today.nightWindForce) + u") ");
    EXPECT_EQ(controls.TodayPictures[0].IconName, Icon("42x30", today.nightIcon));
    EXPECT_EQ(controls.TodayPictures[1].Kind, PictureKind::None);  // never set at night
  } else {
    EXPECT_EQ(forecast[0], Pair(today.dayWeather, today.nightWeather));
    EXPECT_EQ(forecast[1], T(std::to_string(today.high)));
    EXPECT_EQ(forecast[2], T(std::to_string(today.low)));
    Text wind = Short(today.dayWindDirection) + T(today.dayWindForce);
    if (today.nightWindDirection + today.nightWindForce !=
        today.dayWindDirection + today.dayWindForce) {
      wind += u"转" + Short(today.nightWindDirection) + T(today.nightWindForce);
    }
    EXPECT_EQ(forecast[3], wind);
    EXPECT_EQ(controls.TodayPictures[0].IconName, Icon("42x30", today.dayIcon));
    EXPECT_EQ(controls.TodayPictures[1].IconName, Icon("42x30", today.nightIcon));
  }
  EXPECT_EQ(controls.WindTooltip, forecast[3]);

  const auto& extra = module.State.ExtraLines;
  const std::vector<IndexLine>& indices = night ? w.nightIndices : w.dayIndices;
  ASSERT_EQ(indices.size(), 8u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(extra[i], IndexShort(indices[i])) << i;
    EXPECT_EQ(extra[11 + 2 * i], IndexShort(indices[4 + i])) << i;
  }
  EXPECT_EQ(extra[4], T("日出 " + w.sunrise));
  EXPECT_EQ(extra[5], T("日落 " + w.sunset));
  EXPECT_EQ(Right(extra[4], 5), T(w.sunrise));
  EXPECT_EQ(extra[7], T("日出 " + w.sunrise + " | 日落 " + w.sunset));
  EXPECT_EQ(extra[6], T(city.name + " " + std::to_string(time.year) + "年" +
                        std::to_string(time.month) + "月" + std::to_string(time.day) + "日"));

  for (std::size_t d = 0; d < 5; ++d) {
    const DayForecast& f = w.days[d];
    EXPECT_EQ(controls.RowUpper[d].Tag, ReplaceAll(T(WeekdayName(f.date)), u"星期", u"")) << d;
    EXPECT_EQ(controls.RowUpper[d].IconName, Icon("21x15", f.dayIcon)) << d;
    EXPECT_EQ(controls.RowLower[d].IconName, Icon("21x15", f.nightIcon)) << d;
    EXPECT_EQ(controls.RowLower[d].Tag, T(std::to_string(f.high) + "/" + std::to_string(f.low)));
    Text wind = Short(f.dayWindDirection) + T(f.dayWindForce);
    if (f.nightWindDirection + f.nightWindForce != f.dayWindDirection + f.dayWindForce) {
      wind += u"转" + Short(f.nightWindDirection) + T(f.nightWindForce);
    }
    const Text tip = Pair(f.dayWeather, f.nightWeather) + u" (" + wind + u")";
    EXPECT_EQ(controls.RowUpper[d].Tooltip,
              ReplaceAll(ReplaceAll(tip, u"大于", u">"), u"小于", u"<"));
    EXPECT_TRUE(controls.RowUpper[d].Visible);
  }
}

TEST_P(PortalPageTest, TheDayTableReadsTheSameWhenTodayIsMissing) {
  // Cut the first block short: today then comes from the first day of the table.
  const City& city = *FindCityByCode(GetParam().code);
  const PortalTime time = GetParam().time;
  const DayForecast today = WeatherFor(city, time).days[0];
  Text page = T(ForecastPageHtml(city, time));
  WeatherModule module;
  Text notes;
  const Text cleaned = CleanForecastPage(page, module.State, notes);
  const std::size_t table = cleaned.find(u"FutWeather");
  ASSERT_NE(table, Text::npos);
  std::vector<Text> first = Split(Left(cleaned, static_cast<long long>(table)), u"\n");
  first.resize(21);  // up to the day-part line
  module.PendingForecastText = Join(first, u"\n") + cleaned.substr(table);
  ForecastOptions options;
  ForecastView controls;
  ParseForecastText(module, options, nullptr, controls);
  const auto& forecast = module.State.TodayForecast;
  EXPECT_EQ(forecast[0], Pair(today.dayWeather, today.nightWeather));
  EXPECT_EQ(forecast[1], T(std::to_string(today.high)));
  EXPECT_EQ(forecast[2], T(std::to_string(today.low)));
  EXPECT_EQ(controls.TodayPictures[0].IconName, Icon("21x15", today.dayIcon));
  EXPECT_EQ(controls.TodayPictures[1].IconName, Icon("21x15", today.nightIcon));
  EXPECT_EQ(controls.RowLower[0].Tag,
            T(std::to_string(today.high) + "/" + std::to_string(today.low)));
}

// The literal loops take a second or two per page: one day page and one night page.
class PortalPageLiteralTest : public ::testing::TestWithParam<Moment> {};

TEST_P(PortalPageLiteralTest, FastCleaningStepsAgreeWithTheLiteralLoops) {
  const City& city = *FindCityByCode(GetParam().code);
  const Text page = T(ForecastPageHtml(city, GetParam().time));
  Text fast = page;
  Text slow = page;
  const std::pair<TextView, TextView> spans[] = {{u"未来4-7", u"</h2>"},
                                                 {u"<img", u"/>"},
                                                 {u"<option", u"/option>"},
                                                 {u"<", u">"},
                                                 {u"周边地区", u"生活指数"}};
  for (const auto& [start, end] : spans) {
    const bool keep = start == u"<img";
    RemoveSpans(fast, start, end, keep);
    slow = test::RemoveSpansLiteral(slow, start, end, keep);
    ASSERT_EQ(fast, slow) << ToUtf8(start);
  }
  for (TextView find : {TextView(u"  "), TextView(u"\n "), TextView(u"\n\n")}) {
    ReplaceUntilGone(fast, find, find.substr(0, 1));
    slow = test::ReplaceUntilGoneLiteral(slow, find, find.substr(0, 1));
    ASSERT_EQ(fast, slow);
  }
}

// The first note names the solar term in effect: the term's own day and the days after it,
// not the month's.
TEST(PortalPageNotes, TheFirstNoteIsTheSolarTermInEffect) {
  const City& city = *FindCityByCode("101010100");
  const std::vector<std::pair<PortalTime, const char16_t*>> days = {
      {{2026, 12, 6, 10}, u"小雪"}, {{2026, 12, 7, 10}, u"大雪"}, {{2026, 12, 21, 23}, u"大雪"},
      {{2026, 12, 22, 0}, u"冬至"}, {{2027, 1, 4, 10}, u"冬至"},  {{2027, 1, 5, 10}, u"小寒"}};
  for (const auto& [time, term] : days) {
    Text page = T(ForecastPageHtml(city, time));
    WeatherModule module;
    Text notes;
    CleanForecastPage(page, module.State, notes);
    EXPECT_EQ(module.State.PageNotes[0], term) << time.month << "-" << time.day;
  }
}

INSTANTIATE_TEST_SUITE_P(CitiesDayAndNight, PortalPageTest, ::testing::ValuesIn(kMoments));
INSTANTIATE_TEST_SUITE_P(DayAndNight, PortalPageLiteralTest,
                         ::testing::Values(kMoments[0], kMoments[3]));

}  // namespace
}  // namespace nimbulux
