// The live source's rules that need no network: which provider values are believed, the
// day and night halves from hourly values, the solar term in effect and China's air
// quality index.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "live/air_quality.h"
#include "live/day_halves.h"
#include "live/value_checks.h"
#include "pages/solar_terms.h"

namespace nimbulux {
namespace {

namespace ps = portal_server;

long long DayNumber(int y, int m, int d) {
  using namespace std::chrono;
  return sys_days{
      year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}}}
      .time_since_epoch()
      .count();
}

TEST(LiveValueChecks, ValuesOutsideTheirPhysicalRangeAreMissing) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Range {
    const char* name;
    std::optional<double> (*check)(std::optional<double>);
    double low, high;
  };
  for (const Range& r :
       {Range{"temperature", ps::CheckedCelsius, -90, 60},
        Range{"humidity", ps::CheckedHumidity, 0, 100}, Range{"wind", ps::CheckedWindSpeed, 0, 150},
        Range{"pressure", ps::CheckedPressure, 500, 1100},
        Range{"uv", ps::CheckedUvIndex, 0, 20}}) {
    EXPECT_EQ(r.check(r.low), r.low) << r.name;
    EXPECT_EQ(r.check(r.high), r.high) << r.name;
    for (double bad : {r.low - 0.01, r.high + 0.01, 1e12, -1e300, inf, -inf, nan}) {
      EXPECT_FALSE(r.check(bad)) << r.name << " " << bad;
    }
    EXPECT_FALSE(r.check(std::nullopt)) << r.name;
  }
  EXPECT_EQ(ps::CheckedDirection(-90), 270);
  EXPECT_EQ(ps::CheckedDirection(720 + 45), 45);
  EXPECT_EQ(ps::CheckedDirection(360), 0);
  EXPECT_FALSE(ps::CheckedDirection(inf));
  EXPECT_FALSE(ps::CheckedDirection(nan));
}

TEST(LiveValueChecks, OnlyDocumentedWeatherCodesGivenAsWholeNumbersCount) {
  for (double code : {0.0, 3.0, 45.0, 57.0, 82.0, 86.0, 99.0}) {
    EXPECT_EQ(ps::CheckedWmoCode(code), static_cast<int>(code));
  }
  for (double code : {4294967296.0, 4294967298.0, 1e300, -1.0, 4.0, 50.0, 98.0, 100.0, 2.5,
                      std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_FALSE(ps::CheckedWmoCode(code)) << code;
  }
}

// Twelve hours of one half, from its first hour on.
std::vector<ps::HourlyValue> Half(long long day, bool night, std::vector<int> codes,
                                  double firstCelsius, double windSpeed, double windDegrees) {
  std::vector<ps::HourlyValue> hours;
  for (int i = 0; i < static_cast<int>(codes.size()); ++i) {
    const int clock = (night ? 20 : 8) + i;
    ps::HourlyValue h;
    h.day = day + clock / 24;
    h.hour = clock % 24;
    h.wmo = codes[static_cast<std::size_t>(i)];
    h.celsius = firstCelsius + (night ? -i : i) * 0.5;
    h.windMetresPerSecond = windSpeed + (i == 5 ? 2 : 0);
    h.windDegrees = windDegrees;
    hours.push_back(h);
  }
  return hours;
}

TEST(LiveDayHalves, EachHalfHasItsOwnWeatherTemperatureAndWind) {
  const long long day = DayNumber(2026, 12, 7);
  auto hours = Half(day, false, {3, 3, 3, 61, 61, 3, 3, 3, 2, 2, 3, 3}, 4, 3, 0);
  const auto night = Half(day, true, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, 1, 6, 90);
  hours.insert(hours.end(), night.begin(), night.end());
  // Hours outside both halves take no part.
  hours.push_back(ps::HourlyValue{day, 7, 95, 30.0, 40.0, 180.0});
  hours.push_back(ps::HourlyValue{day + 1, 8, 95, -30.0, 40.0, 180.0});

  const ps::HalfSummary d = ps::DayHalf(hours, day);
  EXPECT_EQ(d.wmo, 61);
  EXPECT_EQ(d.highCelsius, 9.5);
  EXPECT_EQ(d.strongestWind, 5);
  ASSERT_TRUE(d.windDegrees);
  EXPECT_NEAR(*d.windDegrees, 0, 1e-9);
  const ps::HalfSummary n = ps::NightHalf(hours, day);
  EXPECT_EQ(n.wmo, 3);
  EXPECT_EQ(n.lowCelsius, -4.5);
  EXPECT_EQ(n.strongestWind, 8);
  EXPECT_NEAR(*n.windDegrees, 90, 1e-9);
}

TEST(LiveDayHalves, TooFewHoursOrStillAirLeaveAValueToTheDailyFallback) {
  const long long day = DayNumber(2026, 12, 7);
  const auto five = Half(day, false, {61, 61, 61, 61, 61}, 4, 0, 0);
  const ps::HalfSummary few = ps::DayHalf(five, day);
  EXPECT_FALSE(few.wmo);
  EXPECT_FALSE(few.highCelsius);
  EXPECT_FALSE(few.strongestWind);
  const auto still = Half(day, false, {0, 0, 0, 0, 0, 0}, 4, 0, 0);
  std::vector<ps::HourlyValue> calm = still;
  for (auto& h : calm) h.windMetresPerSecond = 0;
  const ps::HalfSummary s = ps::DayHalf(calm, day);
  EXPECT_EQ(s.strongestWind, 0);
  EXPECT_FALSE(s.windDegrees);
  EXPECT_FALSE(ps::NightHalf(calm, day).wmo);
}

TEST(LiveDayHalves, TheMostSignificantWeatherStandsForAHalf) {
  // Each code outranks every one before it.
  const std::vector<int> order = {0,  1,  2,  3,  45, 48, 51, 55, 61, 80, 63,
                                  65, 82, 71, 73, 75, 86, 56, 67, 95, 96, 99};
  for (std::size_t i = 1; i < order.size(); ++i) {
    EXPECT_GT(ps::WeatherSignificance(order[i]), ps::WeatherSignificance(order[i - 1]))
        << order[i] << " over " << order[i - 1];
  }
  EXPECT_EQ(ps::WeatherSignificance(4), -1);
}

// The China date (UTC+8) of a moment.
std::string ChinaDate(double utcSeconds) {
  using namespace std::chrono;
  const auto days = static_cast<long long>(std::floor((utcSeconds + 8 * 3600) / 86400));
  const year_month_day ymd{sys_days{std::chrono::days{days}}};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buf;
}

struct PublishedTerm {
  int year, month, day;
  const char* name;
  const char* before;  // the term in effect the day before
};

TEST(LiveSolarTerms, TermsBeginOnTheirPublishedDaysFrom2000To2050) {
  // Beijing-time dates as the almanacs print them; several lie close to midnight (2017 冬至
  // 00:28, 2021 立春 22:59, 2021 冬至 23:59). The last three (2035, 2050) stand for the far
  // end of the range.
  const std::vector<PublishedTerm> terms = {
      {2000, 2, 4, "立春", "大寒"},   {2000, 12, 21, "冬至", "大雪"},
      {2008, 4, 4, "清明", "春分"},   {2012, 12, 21, "冬至", "大雪"},
      {2017, 12, 22, "冬至", "大雪"}, {2019, 2, 4, "立春", "大寒"},
      {2021, 2, 3, "立春", "大寒"},   {2021, 12, 21, "冬至", "大雪"},
      {2023, 4, 5, "清明", "春分"},   {2024, 4, 4, "清明", "春分"},
      {2025, 2, 3, "立春", "大寒"},   {2026, 2, 4, "立春", "大寒"},
      {2026, 4, 5, "清明", "春分"},   {2026, 12, 22, "冬至", "大雪"},
      {2035, 12, 22, "冬至", "大雪"}, {2050, 3, 20, "春分", "惊蛰"},
      {2050, 12, 22, "冬至", "大雪"}};
  for (const PublishedTerm& t : terms) {
    const long long day = DayNumber(t.year, t.month, t.day);
    EXPECT_EQ(ps::SolarTermOn(t.year, t.month, t.day), t.name) << t.year << "-" << t.month;
    using namespace std::chrono;
    const year_month_day before{sys_days{days{day - 1}}};
    EXPECT_EQ(ps::SolarTermOn(static_cast<int>(before.year()),
                              static_cast<int>(static_cast<unsigned>(before.month())),
                              static_cast<int>(static_cast<unsigned>(before.day()))),
              t.before)
        << t.year << "-" << t.month;
  }
}

TEST(LiveSolarTerms, BetweenTermsTheLastOneStaysInEffect) {
  EXPECT_EQ(ps::SolarTermOn(2026, 12, 8), "大雪");  // 大雪 began on 12-07
  EXPECT_EQ(ps::SolarTermOn(2026, 12, 21), "大雪");
  EXPECT_EQ(ps::SolarTermOn(2027, 1, 1), "冬至");
  EXPECT_EQ(ps::SolarTermOn(2026, 8, 1), "大暑");
  // Every term of a year follows the one before, 14 to 17 days later.
  double from = 946684800;  // 2000-01-01 UTC
  double previous = ps::SolarTermMoment(21, from);
  EXPECT_EQ(ChinaDate(previous), "2000-02-04");
  for (int i = 22; i < 22 + 24; ++i) {
    const double next = ps::SolarTermMoment(i, previous + 3600);
    EXPECT_GT(next - previous, 14 * 86400.0) << ps::SolarTermName(i);
    EXPECT_LT(next - previous, 17 * 86400.0) << ps::SolarTermName(i);
    previous = next;
  }
  // The 2021 December solstice, 15:59 UTC: within a minute.
  const double solstice = ps::SolarTermMoment(18, 1638316800);  // from 2021-12-01
  EXPECT_NEAR(solstice, 1640102349, 60);
}

TEST(LiveAirQuality, SubIndicesFollowTheBreakpointTableAndRoundUp) {
  using M = ps::AirMeasure;
  // PM2.5 at every level boundary of the index.
  const std::vector<std::pair<double, int>> pm25 = {
      {0, 0},     {35, 50},     {35.1, 51}, {75, 100},    {75.1, 101}, {115, 150}, {115.1, 151},
      {150, 200}, {150.1, 201}, {250, 300}, {250.1, 301}, {500, 500},  {900, 500}};
  for (const auto& [c, index] : pm25) EXPECT_EQ(ps::SubIndex(M::kPm25Day, c), index) << c;
  // China and the US disagree: 50 µg/m³ is 良 here (the US index calls it unhealthy for
  // sensitive groups).
  EXPECT_EQ(ps::SubIndex(M::kPm25Day, 50), 69);
  EXPECT_EQ(ps::AqiLevel(69), "良");
  EXPECT_EQ(ps::SubIndex(M::kCarbonMonoxideHour, 10), 100);  // mg/m³
  EXPECT_EQ(ps::SubIndex(M::kOzoneEightHours, 160), 100);
  EXPECT_EQ(ps::SubIndex(M::kOzoneHour, 200), 100);
  EXPECT_EQ(ps::SubIndex(M::kNitrogenDioxideHour, 200), 100);
  EXPECT_EQ(ps::SubIndex(M::kSulphurDioxideHour, 500), 100);
  EXPECT_EQ(ps::SubIndex(M::kPm10Day, 150), 100);
  // Rated by another measure above these.
  EXPECT_FALSE(ps::SubIndex(M::kSulphurDioxideHour, 801));
  EXPECT_FALSE(ps::SubIndex(M::kOzoneEightHours, 801));
  EXPECT_FALSE(ps::SubIndex(M::kPm25Day, -1));

  const std::vector<std::pair<int, const char*>> levels = {
      {0, "优"},         {50, "优"},        {51, "良"},        {100, "良"},
      {101, "轻度污染"}, {150, "轻度污染"}, {151, "中度污染"}, {200, "中度污染"},
      {201, "重度污染"}, {300, "重度污染"}, {301, "严重污染"}, {500, "严重污染"}};
  for (const auto& [index, level] : levels) EXPECT_EQ(ps::AqiLevel(index), level) << index;
}

// 24 clean hours up to 12:00 of a day, with the given values in every hour.
std::vector<ps::AirHour> CleanDay(long long day, double pm25) {
  std::vector<ps::AirHour> hours;
  for (int i = -11; i <= 12; ++i) {
    ps::AirHour h;
    h.day = i < 0 ? day - 1 : day;
    h.hour = (i + 24) % 24;
    h.pm25 = pm25;
    h.pm10 = 20;
    h.ozone = 40;
    h.nitrogenDioxide = 20;
    h.sulphurDioxide = 5;
    h.carbonMonoxide = 300;
    hours.push_back(h);
  }
  return hours;
}

TEST(LiveAirQuality, TheIndexIsTheLargestSubIndexOverEachPollutantsPeriod) {
  const long long day = DayNumber(2026, 12, 7);
  auto hours = CleanDay(day, 50);
  const auto aqi = ps::ChinaAqiAt(hours, day, 12);
  ASSERT_TRUE(aqi);
  EXPECT_EQ(aqi->index, 69);
  EXPECT_EQ(aqi->level, "良");
  EXPECT_EQ(ps::AirQualityNote(*aqi), "空气质量良");
  EXPECT_EQ(ps::AirQualityIndexLine(*aqi).value, "良");

  // One bad PM2.5 hour moves the 24-hour mean only; one ozone hour rates by itself.
  hours.back().pm25 = 50 + 24 * 40;  // mean 90
  EXPECT_EQ(ps::ChinaAqiAt(hours, day, 12)->index, 119);
  hours = CleanDay(day, 10);
  hours.back().ozone = 300;
  EXPECT_EQ(ps::ChinaAqiAt(hours, day, 12)->index, 150);
  // Carbon monoxide is rated in mg/m³: 10,000 µg/m³ in an hour is 100.
  hours = CleanDay(day, 10);
  hours.back().carbonMonoxide = 10000;
  EXPECT_EQ(ps::ChinaAqiAt(hours, day, 12)->index, 100);
  // An SO2 hour above 800 is rated by the day's mean instead.
  hours = CleanDay(day, 10);
  hours.back().sulphurDioxide = 5 + 24 * 145;  // mean 150
  EXPECT_EQ(ps::ChinaAqiAt(hours, day, 12)->index, 100);

  // Without 20 hours of particles, or without this hour's gases, there is no index.
  hours = CleanDay(day, 10);
  for (int i = 0; i < 5; ++i) hours[static_cast<std::size_t>(i)].pm10.reset();
  EXPECT_FALSE(ps::ChinaAqiAt(hours, day, 12));
  hours = CleanDay(day, 10);
  hours.back().nitrogenDioxide.reset();
  EXPECT_FALSE(ps::ChinaAqiAt(hours, day, 12));
  EXPECT_FALSE(ps::ChinaAqiAt(CleanDay(day, 10), day, 13));
}

TEST(LiveAirQuality, RepliesAreReadWithTheirUnitsAndUnbelievableValuesDropped) {
  const std::string reply = R"({"hourly_units": {"time": "iso8601", "pm2_5": "μg/m³",
      "pm10": "μg/m³", "ozone": "μg/m³", "nitrogen_dioxide": "μg/m³",
      "sulphur_dioxide": "ppm", "carbon_monoxide": "μg/m³"},
    "hourly": {"time": ["2026-12-07T00:00", "2026-12-07T01:00", "garbage"],
      "pm2_5": [12.5, -3, 1], "pm10": [1e300, null, 1], "ozone": [40, "x", 1],
      "nitrogen_dioxide": [10, 11, 1], "sulphur_dioxide": [4, 5, 1],
      "carbon_monoxide": [250, 260, 1]}})";
  const auto hours = ps::ParseAirQualityReply(reply);
  ASSERT_TRUE(hours);
  ASSERT_EQ(hours->size(), 2u);
  EXPECT_EQ((*hours)[0].day, DayNumber(2026, 12, 7));
  EXPECT_EQ((*hours)[1].hour, 1);
  EXPECT_EQ((*hours)[0].pm25, 12.5);
  EXPECT_FALSE((*hours)[1].pm25);
  EXPECT_FALSE((*hours)[0].pm10);
  EXPECT_FALSE((*hours)[1].ozone);
  EXPECT_FALSE((*hours)[0].sulphurDioxide);  // not in µg/m³
  EXPECT_EQ((*hours)[1].carbonMonoxide, 260);
  for (const char* bad : {"", "[]", R"({"error": true, "reason": "x"})", R"({"hourly": 1})"}) {
    EXPECT_FALSE(ps::ParseAirQualityReply(bad)) << bad;
  }
}

}  // namespace
}  // namespace nimbulux
