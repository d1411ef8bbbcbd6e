// The live source's parts without a network: the mapping tables, the translation of the
// service's replies, the cache's rules on a clock of the test's own, and the codes of
// places found by name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "live/live_mapping.h"
#include "live/live_translate.h"
#include "live/place_codes.h"
#include "live/reply_cache.h"
#include "pages/portal_replies.h"
#include "portal_fake_provider.h"
#include "support/temp_dir.h"
#include "weather/conditions.h"

namespace nimbulux {
namespace {

namespace ps = portal_server;

TEST(LiveMapping, EveryWmoClassHasItsWeatherAndDayAndNightIcons) {
  const std::vector<std::pair<std::vector<int>, const char*>> table = {
      {{0, 1}, "晴"},
      {{2}, "多云"},
      {{3}, "阴"},
      {{45, 48}, "雾"},
      {{51, 53, 55, 61}, "小雨"},
      {{63}, "中雨"},
      {{65}, "大雨"},
      {{56, 57, 66, 67}, "冻雨"},
      {{71, 77}, "小雪"},
      {{73}, "中雪"},
      {{75}, "大雪"},
      {{80, 81, 82}, "阵雨"},
      {{85, 86}, "阵雪"},
      {{95}, "雷阵雨"},
      {{96, 99}, "雷阵雨伴有冰雹"}};
  for (const auto& [codes, name] : table) {
    for (int wmo : codes) {
      const auto code = ps::PortalCodeForWmo(wmo);
      ASSERT_TRUE(code) << wmo;
      EXPECT_EQ(ps::WeatherName(*code), name) << wmo;
      char day[8], night[8];
      std::snprintf(day, sizeof day, "d%02d", *code);
      std::snprintf(night, sizeof night, "n%02d", *code);
      EXPECT_EQ(ps::IconCode(false, *code), day);
      EXPECT_EQ(ps::IconCode(true, *code), night);
    }
  }
  for (int unknown : {-1, 4, 50, 100, 1234}) EXPECT_FALSE(ps::PortalCodeForWmo(unknown)) << unknown;
}

TEST(LiveMapping, WindSectorsTurnAtTheirEdgesAndBeaufortLevelsAtTheirBounds) {
  const std::vector<std::pair<double, const char*>> directions = {
      {0, "北风"},       {22.4, "北风"},  {22.5, "东北风"},  {67.4, "东北风"}, {67.5, "东风"},
      {112.5, "东南风"}, {157.5, "南风"}, {202.5, "西南风"}, {247.5, "西风"},  {292.5, "西北风"},
      {337.4, "西北风"}, {337.5, "北风"}, {360, "北风"},     {-45, "西北风"},  {405, "东北风"}};
  for (const auto& [degrees, name] : directions) {
    EXPECT_EQ(ps::WindDirectionText(degrees), name) << degrees;
  }
  const std::vector<std::pair<double, int>> levels = {
      {0, 0},    {0.2, 0},  {0.21, 1},  {0.3, 1},   {1.5, 1},   {1.52, 2},   {1.6, 2},   {3.3, 2},
      {3.4, 3},  {5.4, 3},  {5.5, 4},   {7.9, 4},   {8.0, 5},   {10.7, 5},   {10.8, 6},  {13.9, 7},
      {17.2, 8}, {20.8, 9}, {24.5, 10}, {28.5, 11}, {32.6, 11}, {32.64, 12}, {32.7, 12}, {60, 12}};
  for (const auto& [speed, level] : levels) EXPECT_EQ(ps::BeaufortLevel(speed), level) << speed;
  EXPECT_EQ(ps::ObservedWindForce(2), "小于3级");
  EXPECT_EQ(ps::ObservedWindForce(3), "3级");
  EXPECT_EQ(ps::ForecastWindForce(0), "小于3级");
  EXPECT_EQ(ps::ForecastWindForce(3), "3-4级");
  EXPECT_EQ(ps::ForecastWindForce(4), "3-4级");
  EXPECT_EQ(ps::ForecastWindForce(5), "5-6级");
  EXPECT_EQ(ps::ForecastWindForce(12), "11-12级");
  EXPECT_DOUBLE_EQ(*ps::MetresPerSecond(36, "km/h"), 10);
  EXPECT_FALSE(ps::MetresPerSecond(10, "furlongs/fortnight"));
  const std::vector<std::pair<double, const char*>> uv = {{0, "最弱"}, {2.4, "最弱"}, {2.5, "弱"},
                                                          {4, "弱"},   {5, "中等"},   {7, "强"},
                                                          {9.4, "强"}, {10, "很强"}};
  for (const auto& [index, level] : uv) EXPECT_EQ(ps::UvIndexLine(index).value, level) << index;
}

TEST(LiveTranslate, MissingNullAndUnknownValuesStayUnknown) {
  const auto f = ps::ParseForecastReply(test::OpenMeteoFile("forecast_gaps.json"));
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->now.missing);
  EXPECT_FALSE(f->now.hasTemperature);
  EXPECT_FALSE(f->now.hasHumidity);
  EXPECT_FALSE(f->now.hasPressure);
  EXPECT_TRUE(f->now.windDirection.empty());
  EXPECT_TRUE(f->now.windForce.empty());
  EXPECT_TRUE(f->now.hasTime);
  ASSERT_EQ(f->days.size(), 3u);
  const ps::DayForecast& today = f->days[0].forecast;
  EXPECT_TRUE(today.dayWeather.empty());
  EXPECT_TRUE(today.dayIcon.empty());
  EXPECT_FALSE(today.hasHigh);
  EXPECT_TRUE(today.hasLow);
  EXPECT_EQ(today.low, 12);
  EXPECT_TRUE(f->days[0].sunrise.empty());
  EXPECT_EQ(f->days[1].forecast.dayWeather, "晴");
  EXPECT_TRUE(f->days[1].forecast.dayWindForce.empty());  // no speed given
  EXPECT_TRUE(f->days[2].forecast.dayWeather.empty());    // code outside the table

  // Days the reply does not cover are unknown; a reply from yesterday moves up a day.
  ps::ChinaClock next{{2026, 12, 8, 9}, 0};
  const ps::LivePageValues v = ps::PageValuesFor(*f, next);
  EXPECT_EQ(v.weather.days[0].dayWeather, "晴");
  EXPECT_EQ(v.weather.sunrise, "06:59");
  EXPECT_TRUE(v.weather.dayIndices.empty());
  EXPECT_FALSE(v.weather.days[2].hasHigh);
  EXPECT_TRUE(v.weather.days[2].dayWeather.empty());
  EXPECT_EQ(v.weather.days[6].date.day, 14);

  for (const char* bad : {"", "garbage", "[1,2]", "{\"error\":true,\"reason\":\"x\"}", "{}",
                          "{\"current\":[1]}", "\xff\xfe{"}) {
    EXPECT_FALSE(ps::ParseForecastReply(bad)) << bad;
  }
}

TEST(LiveTranslate, ValuesOutsideTheirRangeAreMissingAndNoObservationClaimsNoTime) {
  // Values a broken service could send; each would otherwise reach a reader as weather.
  const auto f = ps::ParseForecastReply(R"({
    "current": {"time": "2026-12-07T15:00", "temperature_2m": 1e12,
      "relative_humidity_2m": 100.5, "wind_speed_10m": 1e300, "wind_direction_10m": 90,
      "surface_pressure": 200, "weather_code": 4294967296},
    "daily": {"time": ["2026-12-07", "2026-12-08", "2026-12-09"],
      "weather_code": [4294967296, 1e300, 4294967298],
      "temperature_2m_max": [1e12, 61, 5], "temperature_2m_min": [-91, -1e300, 2],
      "wind_speed_10m_max": [541, -1, 0.5], "wind_direction_10m_dominant": [null, 90, 450],
      "uv_index_max": [20.5, -1, 3]}})");
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->now.hasTemperature);
  EXPECT_FALSE(f->now.hasHumidity);
  EXPECT_FALSE(f->now.hasPressure);
  EXPECT_TRUE(f->now.windForce.empty());
  EXPECT_EQ(f->now.hour, 15);
  ASSERT_EQ(f->days.size(), 3u);
  for (std::size_t d = 0; d < 2; ++d) {
    const ps::DayForecast& day = f->days[d].forecast;
    EXPECT_TRUE(day.dayWeather.empty() && day.nightWeather.empty() && day.dayIcon.empty()) << d;
    EXPECT_FALSE(day.hasHigh || day.hasLow) << d;
    EXPECT_TRUE(day.dayWindForce.empty()) << d;
    EXPECT_FALSE(f->days[d].uvIndexMax) << d;
  }
  EXPECT_TRUE(f->days[0].forecast.dayWindDirection.empty());
  EXPECT_TRUE(f->days[2].forecast.dayWeather.empty());  // 4294967298 is not 多云
  // A calm day (0.5 km/h) has no direction of its own.
  EXPECT_EQ(f->days[2].forecast.dayWindDirection, "无持续风向");
  EXPECT_EQ(f->days[2].forecast.dayWindForce, "小于3级");

  // A calm observation (under 0.2 m/s) names no direction.
  const auto calm = ps::ParseForecastReply(R"({"current": {"time": "2026-12-07T15:00",
      "wind_speed_10m": 0.7, "wind_direction_10m": 90}})");
  ASSERT_TRUE(calm);
  EXPECT_EQ(calm->now.windDirection, "");
  EXPECT_EQ(calm->now.windForce, "小于3级");

  // No current block: the observation claims neither a time nor a value, in the form the
  // widget reads as no data.
  const auto daily = ps::ParseForecastReply(R"({"daily": {"time": ["2026-12-07"]}})");
  ASSERT_TRUE(daily);
  const std::string reply = ps::ConditionsReply(*ps::FindCityByCode("101010100"), daily->now);
  EXPECT_EQ(reply.find("00:00"), std::string::npos) << reply;
  WeatherState state;
  ReadConditions(FromUtf8(reply), state);
  EXPECT_EQ(state.NowTimeText, u"");
  EXPECT_EQ(state.NowTemperature, u"℃");
  EXPECT_EQ(state.NowDetails[0] + state.NowDetails[1] + state.NowDetails[2], u"");
}

TEST(LiveTranslate, DayAndNightHalvesComeFromTheirOwnHours) {
  const auto f = ps::ParseForecastReply(test::OpenMeteoFile("forecast_hourly.json"));
  ASSERT_TRUE(f);
  ASSERT_EQ(f->days.size(), 8u);
  // Rain from 13:00 to 16:00, overcast before and after: the day is rain, the night
  // overcast; high and low are the halves' own, not the day's (3.4 / -4.6).
  const ps::DayForecast& today = f->days[0].forecast;
  EXPECT_EQ(today.dayWeather, "小雨");
  EXPECT_EQ(today.nightWeather, "阴");
  EXPECT_EQ(today.dayIcon, "d07");
  EXPECT_EQ(today.nightIcon, "n02");
  EXPECT_EQ(today.high, 7);
  EXPECT_EQ(today.low, -6);
  EXPECT_EQ(today.dayWindDirection, "东风");
  EXPECT_EQ(today.dayWindForce, "3-4级");
  // The night is calm: no direction.
  EXPECT_EQ(today.nightWindDirection, "无持续风向");
  EXPECT_EQ(today.nightWindForce, "小于3级");
  EXPECT_EQ(f->days[1].forecast.nightWindDirection, "北风");
  // The seventh night runs into the eighth morning, which the reply covers.
  EXPECT_EQ(f->days[6].forecast.nightWeather, "雷阵雨");
  EXPECT_EQ(f->days[6].forecast.low, -3);
}

TEST(LiveTranslate, TheEveningLayoutStartsAtSunset) {
  const auto f = ps::ParseForecastReply(test::OpenMeteoFile("forecast_day.json"));
  ASSERT_TRUE(f);
  const auto at = [&](int hour, int minute) {
    return ps::PageValuesFor(*f, ps::ChinaClock{{2026, 12, 7, hour}, minute});
  };
  EXPECT_FALSE(at(6, 0).night);  // before sunrise the day ahead is shown
  EXPECT_FALSE(at(16, 49).night);
  EXPECT_TRUE(at(16, 50).night);
  EXPECT_EQ(at(16, 50).nightWord, "夜间");
  EXPECT_EQ(at(21, 0).nightWord, "晚上");
  ASSERT_EQ(at(10, 0).weather.dayIndices.size(), 1u);
  EXPECT_EQ(at(10, 0).weather.dayIndices[0].name, "紫外线强度指数");
  EXPECT_TRUE(at(10, 0).weather.nightIndices.empty());
}

// The cache on a clock that the test moves. Get() waits for the background request it
// starts, so that the counts are settled.
class CacheRules : public ::testing::Test {
 protected:
  std::unique_ptr<ps::ReplyCache> MakeCache(ps::ReplyCache::Limits limits = {}) {
    return std::make_unique<ps::ReplyCache>(
        dir_.path(), [this] { return now_; },
        [this](const std::string& line) {
          const std::lock_guard lock(logMutex_);
          log_ += line + "\n";
        },
        limits);
  }
  std::optional<ps::CachedReply> Get(ps::ReplyCache& cache, const std::string& key,
                                     ps::ReplyCache::Fetch fetch, const std::string& url = "u") {
    auto reply = cache.Get(kind_, key, url, std::move(fetch));
    cache.WaitForFetches();
    return reply;
  }
  ps::ReplyCache::Fetch Fetcher(bool succeed) {
    return [this, succeed] {
      ++fetches_;
      ps::FetchOutcome o;
      o.attempted = true;
      if (succeed)
        o.body = "ok " + std::to_string(now_);
      else
        o.why = "HTTP 500";
      return o;
    };
  }
  test::TempDir dir_;
  const ps::ReplyKind kind_{"forecast", ps::CachePolicy{},
                            [](const std::string& body) { return body.rfind("ok", 0) == 0; }};
  std::int64_t now_ = 1'800'000'000;
  int fetches_ = 0;
  std::mutex logMutex_;
  std::string log_;
};

TEST_F(CacheRules, OneRequestPerPeriodStaleForSixHoursThenNothing) {
  auto cache = MakeCache();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Get(*cache, "101010100", Fetcher(true)));
  EXPECT_EQ(fetches_, 1);
  now_ += 14 * 60;
  EXPECT_EQ(Get(*cache, "101010100", Fetcher(true))->body, "ok 1800000000");
  EXPECT_EQ(fetches_, 1);
  EXPECT_TRUE(Get(*cache, "501010100", Fetcher(true)));  // another city has its own period
  EXPECT_EQ(fetches_, 2);

  // Due again: the reply on hand is answered, and the refresh fails in the background;
  // the last good reply stands in, and the failure is not retried within the period.
  now_ += 60;
  auto stale = Get(*cache, "101010100", Fetcher(false));
  ASSERT_TRUE(stale);
  EXPECT_TRUE(stale->stale);
  EXPECT_EQ(fetches_, 3);
  EXPECT_NE(log_.find("stale"), std::string::npos);
  EXPECT_TRUE(Get(*cache, "101010100", Fetcher(false)));
  EXPECT_EQ(fetches_, 3);
  now_ = 1'800'000'000 + 6 * 3600;
  EXPECT_TRUE(Get(*cache, "101010100", Fetcher(false)));
  now_ += 15 * 60 + 1;
  EXPECT_FALSE(Get(*cache, "101010100", Fetcher(false)));

  // Not tried (over the rate limit) does not hold the next attempt back.
  ps::ReplyCache::Fetch refused = [&] { return ps::FetchOutcome{}; };
  EXPECT_FALSE(Get(*cache, "502010100", refused));
  EXPECT_TRUE(Get(*cache, "502010100", Fetcher(true)));

  // A kind of reply has its own records and period: the same key is fetched anew.
  const ps::ReplyKind air{"air", ps::CachePolicy{3600, 3 * 3600}, nullptr};
  EXPECT_EQ(cache->Get(air, "101010100", "u", Fetcher(true))->body, "ok " + std::to_string(now_));
  now_ += 30 * 60;
  EXPECT_FALSE(cache->Get(air, "101010100", "u", Fetcher(true))->stale);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("air-101010100.json")));
}

TEST_F(CacheRules, AReplyOnHandNeverWaitsForTheServiceAndNoneWaitsWithinTheLimit) {
  auto cache = MakeCache(ps::ReplyCache::Limits{std::chrono::milliseconds(200), 8});
  ASSERT_TRUE(Get(*cache, "101010100", Fetcher(true)));
  // A service that hangs until the test lets it go (or a minute passes).
  std::mutex mutex;
  std::condition_variable released;
  bool letGo = false;
  int finished = 0;
  const ps::ReplyCache::Fetch hanging = [&] {
    std::unique_lock lock(mutex);
    released.wait_for(lock, std::chrono::minutes(1), [&] { return letGo; });
    ++finished;
    ps::FetchOutcome o;
    o.attempted = true;
    o.body = "ok later";
    return o;
  };
  now_ += 16 * 60;
  const auto onHand = cache->Get(kind_, "101010100", "u", hanging);
  ASSERT_TRUE(onHand);
  EXPECT_EQ(onHand->body, "ok 1800000000");
  EXPECT_TRUE(onHand->stale);
  // A city with nothing at hand waits for its request only up to the limit.
  EXPECT_FALSE(cache->Get(kind_, "501010100", "u", hanging));
  {
    const std::lock_guard lock(mutex);
    EXPECT_EQ(finished, 0);  // neither answer waited for the service
    letGo = true;
  }
  released.notify_all();
  cache->WaitForFetches();
  EXPECT_EQ(finished, 2);
  EXPECT_EQ(cache->Get(kind_, "101010100", "u", Fetcher(true))->body, "ok later");
  EXPECT_EQ(cache->Get(kind_, "501010100", "u", Fetcher(true))->body, "ok later");
}

TEST_F(CacheRules, ARestartReusesTheFilesAndIgnoresDamagedOnes) {
  {
    auto cache = MakeCache();
    ASSERT_TRUE(Get(*cache, "101010100", Fetcher(true)));
    ASSERT_TRUE(Get(*cache, "101020100", Fetcher(true)));
  }
  EXPECT_EQ(fetches_, 2);
  std::ofstream(dir_.File("forecast-101020100.json"), std::ios::trunc) << "{\"fetched_at\":";
  now_ += 10 * 60;
  auto cache = MakeCache();
  EXPECT_EQ(Get(*cache, "101010100", Fetcher(true))->body, "ok 1800000000");
  EXPECT_EQ(fetches_, 2);
  EXPECT_TRUE(Get(*cache, "101020100", Fetcher(true)));
  EXPECT_EQ(fetches_, 3);
  // A reply from another address does not count.
  EXPECT_TRUE(Get(*MakeCache(), "101010100", Fetcher(true), "elsewhere"));
  EXPECT_EQ(fetches_, 4);
  // A clock set back never makes an old reply fresh.
  now_ -= 3600;
  const auto back = Get(*cache, "101010100", Fetcher(true));
  ASSERT_TRUE(back);
  EXPECT_EQ(fetches_, 5);
}

TEST(PlaceCodes, APlaceKeepsItsCodeAcrossRestartsAndNames) {
  test::TempDir dir;
  const std::string file = dir.File("state/places.json");
  const ps::Place kunshan{1804651, "昆山", "江苏省", 31.38, 120.98};
  const ps::Place other{1804652, "昆山镇", "云南省", 24.1, 102.1};
  {
    ps::PlaceCodes codes(file);
    EXPECT_EQ(codes.Remember("昆山", kunshan), "700000001");
    EXPECT_EQ(codes.Remember("昆山市", kunshan), "700000001");
    EXPECT_EQ(codes.Remember("昆山镇", other), "700000002");
  }
  ps::PlaceCodes codes(file);
  EXPECT_EQ(codes.CodeForName("昆山市"), "700000001");
  const auto city = codes.Find("700000002");
  ASSERT_TRUE(city);
  EXPECT_EQ(city->name, "昆山镇");
  EXPECT_DOUBLE_EQ(city->latitude, 24.1);
  EXPECT_EQ(codes.Remember("某地", ps::Place{0, "某地", "", 30, 110}), "700000003");

  std::ofstream(file, std::ios::trunc) << R"({"places":[{"code":"700000009","id":"x"}]})";
  ps::PlaceCodes damaged(file);
  EXPECT_FALSE(damaged.Find("700000009"));
  EXPECT_FALSE(damaged.CodeForName("昆山"));

  // A file records its provider: another provider's run neither uses nor overwrites it.
  const std::string shared = dir.File("shared/places.json");
  ps::PlaceCodes(shared, "http://a").Remember("昆山", kunshan);
  {
    ps::PlaceCodes b(shared, "http://b");
    EXPECT_FALSE(b.CodeForName("昆山"));
    EXPECT_FALSE(b.Find("700000001"));
    EXPECT_EQ(b.Remember("昆山", other), "700000001");
  }
  EXPECT_DOUBLE_EQ(ps::PlaceCodes(shared, "http://a").Find("700000001")->latitude, 31.38);

  const auto results = ps::ParsePlaceSearchReply(test::OpenMeteoFile("search_kunshan.json"));
  ASSERT_TRUE(results);
  ASSERT_EQ(results->size(), 2u);
  EXPECT_EQ(results->front().id, 1804651);
  EXPECT_EQ(results->front().admin1, "江苏省");
  EXPECT_TRUE(ps::ParsePlaceSearchReply(test::OpenMeteoFile("search_nothing.json"))->empty());
  EXPECT_FALSE(ps::ParsePlaceSearchReply("<html>"));
}

}  // namespace
}  // namespace nimbulux
