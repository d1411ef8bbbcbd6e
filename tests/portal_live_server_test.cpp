// nimbulux-portal in live mode against a fake weather service on 127.0.0.1: every form
// the demo serves, read back through the widget's own readers, and the rules of a good
// client (cache, stale replies, 503, rate limit, time-outs, codes of searched places).
#include <gtest/gtest.h>
#include <httplib.h>

#include <zlib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "core/text.h"
#include "live/live_source.h"
#include "portal_fake_provider.h"
#include "server/page_compression.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "weather/city_directory.h"
#include "weather/conditions.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"

namespace nimbulux {
namespace {

using test::FakeReply;
using test::FakeWeatherProvider;
using test::PortalProcess;

struct Answer {
  int status = 0;
  std::string body;
};

Answer Get(const PortalProcess& portal, const std::string& path, int timeoutSeconds = 30) {
  httplib::Client client("127.0.0.1", portal.port());
  client.set_read_timeout(timeoutSeconds, 0);
  const auto res = client.Get(path);
  return res ? Answer{res->status, res->body} : Answer{};
}

Answer Search(const PortalProcess& portal, const std::string& name) {
  httplib::Client client("127.0.0.1", portal.port());
  client.set_read_timeout(30, 0);
  const auto res =
      client.Post("/static/url.php", "cityinfo=" + name, "application/x-www-form-urlencoded");
  return res ? Answer{res->status, res->body} : Answer{};
}

// What the widget makes of a city's forecast page and observation.
struct WidgetView {
  WeatherModule module;
  ForecastView controls;
  ForecastLines lines;
};

WidgetView ReadCity(const PortalProcess& portal, const std::string& code) {
  WidgetView v;
  Text page = FromUtf8(Get(portal, "/html/weather/" + code + ".shtml").body);
  v.module.PendingForecastText = CleanForecastPage(page, v.module.State, v.controls.NotesTooltip);
  v.lines = ParseForecastText(
      v.module, ForecastOptions{}, [](TextView) { return Text(); }, v.controls);
  ReadConditions(FromUtf8(Get(portal, "/data/sk/" + code + ".html").body), v.module.State);
  return v;
}

class LivePortal : public ::testing::Test {
 protected:
  std::vector<std::string> Args(const std::string& date = "2026-12-07", int hour = 15) {
    return {"--source",    "live",        "--provider-url", provider_.base(),
            "--cache-dir", cache_.path(), "--data-dir",     data_.path(),
            "--date",      date,          "--hour",         std::to_string(hour)};
  }
  std::string Log() const { return test::ReadFile(log_.File("portal.log")); }
  // Records made with the fake provider sit in a folder of their own.
  std::string CacheFile(const std::string& name) const {
    return cache_.path() + portal_server::ProviderSubfolder(provider_.base()) + "/" + name;
  }

  FakeWeatherProvider provider_;
  test::TempDir cache_, data_, log_;
};

TEST_F(LivePortal, EveryFormCarriesTheServiceValuesByDay) {
  PortalProcess portal(Args(), log_.File("portal.log"));
  const WidgetView v = ReadCity(portal, "101010100");
  const WeatherState& s = v.module.State;
  EXPECT_EQ(s.CityName, u"北京");
  EXPECT_EQ(s.DateWords, (std::vector<Text>{u"2026年12月7日", u"星期一", u"第341天"}));
  // The solar term of the day (大雪 began on 2026-12-07) and China's air quality index.
  EXPECT_EQ(s.PageNotes[0], u"大雪");
  EXPECT_EQ(s.PageNotes[1], u"空气质量良");
  EXPECT_EQ(s.NowTemperature, u"1℃");
  EXPECT_EQ(s.NowDetails[0], u"湿度70%");
  EXPECT_EQ(s.NowDetails[1], u"西北风3级");
  EXPECT_EQ(s.NowDetails[2], u"气压1021hPa");
  EXPECT_EQ(s.NowTimeText, u"天气实况(15:00)");
  EXPECT_EQ(s.TodayForecast[0], u"小雪");
  EXPECT_EQ(s.TodayForecast[1], u"3");
  EXPECT_EQ(s.TodayForecast[2], u"-5");
  EXPECT_EQ(s.TodayForecast[3], u"西北3-4级");
  EXPECT_EQ(s.ExtraLines[0], u"紫外：最弱");
  EXPECT_EQ(s.ExtraLines[1], u"空气：良");
  EXPECT_EQ(s.ExtraLines[2], u"");
  EXPECT_EQ(s.ExtraLines[4], u"日出 07:21");
  EXPECT_EQ(s.ExtraLines[5], u"日落 16:50");
  EXPECT_TRUE(v.module.ForecastPageReceived);
  EXPECT_EQ(v.controls.TodayPictures[0].IconName, u"/m/i/icon_weather/42x30/d14");
  EXPECT_EQ(v.controls.TodayPictures[1].IconName, u"/m/i/icon_weather/42x30/n14");
  const std::vector<std::pair<Text, Text>> row = {
      {u"一", u"3/-5"}, {u"二", u"5/-6"}, {u"三", u"7/-3"}, {u"四", u"4/-2"}, {u"五", u"2/-2"}};
  for (std::size_t d = 0; d < 5; ++d) {
    EXPECT_EQ(v.controls.RowUpper[d].Tag, row[d].first) << d;
    EXPECT_EQ(v.controls.RowLower[d].Tag, row[d].second) << d;
  }
  EXPECT_EQ(v.controls.RowUpper[0].Tooltip, u"小雪 (西北3-4级)");
  EXPECT_EQ(v.controls.RowUpper[1].Tooltip, u"晴 (北<3级)");
  EXPECT_EQ(v.controls.RowUpper[2].Tooltip, u"多云 (东5-6级)");

  // The summary of the several-cities row.
  ForecastPicture upper, lower;
  FillCitySlot(FromUtf8(Get(portal, "/data/cityinfo/101010100.html").body), 0, upper, lower);
  EXPECT_EQ(upper.Tag, u"北京");
  EXPECT_EQ(upper.Tooltip, u"小雪");
  EXPECT_EQ(upper.IconName, u"/m/i/icon_weather/21x15/d14");
  EXPECT_EQ(lower.Tag, u"3/-5");

  // The directory and the search as the options dialog reads them; the data credit
  // stands where no reader looks.
  const std::string list = Get(portal, "/static/html/weather_list.shtml").body;
  const CityDirectory directory = ParseCityDirectory(FromUtf8(list));
  EXPECT_EQ(ListedRegions(directory).size(), 8u);
  EXPECT_NE(list.find("CC BY 4.0"), std::string::npos);
  EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "上海").body)), u"101020100");
  EXPECT_NE(Get(portal, "/html/weather/101010100.shtml").body.find("Open-Meteo.com"),
            std::string::npos);
  EXPECT_NE(Get(portal, "/data/sk/101010100.html").body.find("CC BY 4.0"), std::string::npos);
  EXPECT_EQ(Get(portal, "/m/i/icon_weather/42x30/d14.gif").status, 200);
  EXPECT_EQ(Get(portal, "/data/sk/123456789.html").status, 404);

  // What was asked of the service, and who asked.
  EXPECT_EQ(provider_.LastUserAgent().rfind("nimbulux-portal/", 0), 0u);
  const std::string query = provider_.LastForecastQuery();
  EXPECT_NE(query.find("latitude=39.90&"), std::string::npos) << query;
  EXPECT_NE(query.find("timezone=Asia/Shanghai&"), std::string::npos) << query;
  EXPECT_NE(query.find("daily=weather_code,temperature_2m_max,temperature_2m_min,sunrise,"
                       "sunset,wind_speed_10m_max,wind_direction_10m_dominant,uv_index_max&"),
            std::string::npos);
  EXPECT_NE(Log().find("CC BY 4.0"), std::string::npos);
  // China's index is computed from the pollutants; the service's own indices are not asked.
  const std::string air = provider_.LastAirQualityQuery();
  EXPECT_NE(air.find("hourly=pm2_5,pm10,ozone,nitrogen_dioxide,sulphur_dioxide,carbon_monoxide&"),
            std::string::npos)
      << air;
  EXPECT_EQ(air.find("aqi"), std::string::npos) << air;
}

TEST_F(LivePortal, HalvesOfTheDayAndTheSolarTermFollowTheData) {
  provider_.SetForecast("39.90", FakeReply{200, test::OpenMeteoFile("forecast_hourly.json")});
  PortalProcess portal(Args(), log_.File("portal.log"));
  const WidgetView v = ReadCity(portal, "101010100");
  const WeatherState& s = v.module.State;
  // Rain in the afternoon, overcast at night; the high is the day's, the low the night's.
  EXPECT_EQ(s.TodayForecast[0], u"小雨转阴");
  EXPECT_EQ(s.TodayForecast[1], u"7");
  EXPECT_EQ(s.TodayForecast[2], u"-6");
  EXPECT_EQ(s.TodayForecast[3], u"东3-4级转无持续向小于3级");
  EXPECT_EQ(v.controls.TodayPictures[0].IconName, u"/m/i/icon_weather/42x30/d07");
  EXPECT_EQ(v.controls.TodayPictures[1].IconName, u"/m/i/icon_weather/42x30/n02");
  EXPECT_EQ(v.controls.RowUpper[0].Tooltip.substr(0, 4), u"小雨转阴");
  const std::string query = provider_.LastForecastQuery();
  EXPECT_NE(query.find("hourly=weather_code,temperature_2m,wind_speed_10m,wind_direction_10m&"),
            std::string::npos)
      << query;
  EXPECT_NE(query.find("forecast_days=8&"), std::string::npos) << query;

  // The term in effect on the portal's day: the last one to have begun.
  const auto notes = [&](const std::string& date) {
    PortalProcess at(Args(date, 10));
    return ReadCity(at, "101010100").module.State.PageNotes;
  };
  EXPECT_EQ(notes("2026-12-21")[0], u"大雪");
  // The solstice's own day; the air-quality reply does not reach that day: no note.
  const auto solstice = notes("2026-12-22");
  EXPECT_EQ(solstice[0], u"冬至");
  EXPECT_EQ(solstice[1], u"");
}

TEST_F(LivePortal, AnAirQualityFailureShowsNothingAboutAirQuality) {
  provider_.SetAirQuality("39.90", FakeReply{500, "{\"error\":true}"});
  provider_.SetAirQuality("39.13", FakeReply{200, "garbage, not json"});
  // A hanging service: the page does not wait for it beyond its short bound.
  provider_.SetAirQuality("38.04", FakeReply{200, test::OpenMeteoFile("air_quality.json"), 4000});
  std::vector<std::string> args = Args();
  args.insert(args.end(), {"--upstream-timeout", "3"});
  PortalProcess portal(args, log_.File("portal.log"));
  for (const char* code : {"101010100", "501010100", "501020100"}) {
    for (int i = 0; i < 2; ++i) {
      const WidgetView v = ReadCity(portal, code);
      const WeatherState& s = v.module.State;
      EXPECT_EQ(s.TodayForecast[0], u"小雪") << code;  // the forecast is untouched
      EXPECT_EQ(s.PageNotes[0], u"大雪") << code;
      EXPECT_EQ(s.PageNotes[1], u"") << code;
      for (const Text& line : s.ExtraLines) EXPECT_EQ(line.find(u"空气"), Text::npos) << code;
    }
  }
  // Not asked again within the hour.
  EXPECT_EQ(provider_.AirQualityRequests("39.90"), 1);
  EXPECT_EQ(provider_.AirQualityRequests("39.13"), 1);
  EXPECT_NE(Log().find("not an air-quality reply"), std::string::npos);
}

TEST_F(LivePortal, TheEveningPageAndNullsKeepTheLineLayout) {
  provider_.SetForecast("31.23", FakeReply{200, test::OpenMeteoFile("forecast_night.json")});
  provider_.SetForecast("23.13", FakeReply{200, test::OpenMeteoFile("forecast_gaps.json")});
  PortalProcess portal(Args("2026-12-07", 21));
  const WidgetView night = ReadCity(portal, "101020100");
  const WeatherState& s = night.module.State;
  EXPECT_EQ(night.lines.MainLines[20], u"晚上");
  EXPECT_EQ(s.TodayForecast[0], u"冻雨");
  EXPECT_EQ(s.TodayForecast[1], u"");
  EXPECT_EQ(s.TodayForecast[2], u"-2");
  EXPECT_EQ(s.TodayForecast[3], u"(东北5-6级) ");
  EXPECT_EQ(night.controls.TodayPictures[0].IconName, u"/m/i/icon_weather/42x30/n19");
  EXPECT_EQ(s.NowTemperature, u"-1℃");
  EXPECT_EQ(s.NowDetails[1], u"东北风6级");  // the service gave m/s here
  EXPECT_EQ(s.ExtraLines[0], u"空气：良");   // the one index at night that follows from data
  const std::vector<Text> weathers = {u"冻雨", u"冻雨", u"小雪", u"阵雨", u"阵雪"};
  for (std::size_t d = 0; d < 5; ++d) {
    EXPECT_EQ(night.controls.RowUpper[d].Tooltip.substr(0, weathers[d].size()), weathers[d]) << d;
  }

  // Nulls, missing fields and codes outside the table: empty fields, the rest in place.
  const WidgetView gaps = ReadCity(portal, "505010100");
  const WeatherState& g = gaps.module.State;
  EXPECT_EQ(g.NowTemperature, u"℃");
  EXPECT_EQ(g.NowDetails[0], u"");
  EXPECT_EQ(g.NowDetails[1], u"");
  EXPECT_EQ(g.NowDetails[2], u"");
  EXPECT_EQ(g.TodayForecast[2], u"12");
  EXPECT_EQ(gaps.controls.TodayPictures[0].IconName, u"");
  EXPECT_EQ(gaps.controls.RowLower[0].Tag, u"/12");
  EXPECT_EQ(gaps.controls.RowUpper[1].Tag, u"二");
  EXPECT_EQ(gaps.controls.RowUpper[1].IconName, u"/m/i/icon_weather/21x15/d00");
  EXPECT_EQ(gaps.controls.RowLower[1].Tag, u"21/");
  EXPECT_EQ(gaps.controls.RowUpper[2].IconName, u"");
  EXPECT_EQ(gaps.controls.RowLower[4].Tag, u"/");
  // Without today's temperatures the summary holds the city only: its slot stays empty.
  ForecastPicture upper, lower;
  FillCitySlot(FromUtf8(Get(portal, "/data/cityinfo/505010100.html").body), 0, upper, lower);
  EXPECT_EQ(upper.Tag, u"");
  EXPECT_EQ(lower.Tag, u"");
}

TEST_F(LivePortal, ManyWidgetRequestsMakeOneUpstreamRequestAndARestartMakesNone) {
  {
    PortalProcess portal(Args());
    std::vector<std::thread> widgets;
    for (int i = 0; i < 12; ++i) {
      widgets.emplace_back([&portal, i] {
        const char* paths[] = {"/data/sk/101010100.html", "/data/cityinfo/101010100.html",
                               "/html/weather/101010100.shtml"};
        EXPECT_EQ(Get(portal, paths[i % 3]).status, 200);
      });
    }
    for (auto& w : widgets) w.join();
    EXPECT_EQ(provider_.ForecastRequests("39.90"), 1);
  }
  PortalProcess again(Args());
  EXPECT_EQ(Get(again, "/data/sk/101010100.html").status, 200);
  EXPECT_EQ(provider_.ForecastRequests("39.90"), 1);
}

TEST_F(LivePortal, FailuresGive503AndAreNotRetriedAtOnce) {
  provider_.SetForecast("39.13", FakeReply{500, "{\"error\":true}"});
  provider_.SetForecast("38.04", FakeReply{429, "{\"error\":true,\"reason\":\"limit\"}"});
  provider_.SetForecast("37.87", FakeReply{200, "\x1f\x8b garbage, not json"});
  provider_.SetForecast("40.84", FakeReply{200, test::OpenMeteoFile("forecast_day.json"), 3000});
  std::vector<std::string> args = Args();
  args.insert(args.end(), {"--upstream-timeout", "1"});
  PortalProcess portal(args, log_.File("portal.log"));
  for (const char* code : {"501010100", "501020100", "501030100", "501040100"}) {
    for (int i = 0; i < 3; ++i) {
      const Answer a = Get(portal, std::string("/data/sk/") + code + ".html");
      EXPECT_EQ(a.status, 503) << code;
      // No reader finds anything in it: the widget shows its no-data state.
      EXPECT_EQ(a.body.find(','), std::string::npos);
      EXPECT_EQ(a.body.find(':'), std::string::npos);
    }
  }
  EXPECT_EQ(Get(portal, "/html/weather/501010100.shtml").status, 503);
  for (const char* latitude : {"39.13", "38.04", "37.87", "40.84"}) {
    EXPECT_EQ(provider_.ForecastRequests(latitude), 1) << latitude;
  }
  EXPECT_NE(Log().find("HTTP 429"), std::string::npos);
  EXPECT_NE(Log().find("not a forecast reply"), std::string::npos);
}

TEST_F(LivePortal, TheLastGoodReplyStandsInForSixHours) {
  {
    PortalProcess first(Args());
    for (const char* code : {"101010100", "501010100", "501020100"}) {
      ASSERT_EQ(Get(first, std::string("/data/sk/") + code + ".html").status, 200);
    }
  }
  // The replies age on disk while the portal is down.
  const auto age = [&](const std::string& code, long long seconds) {
    const std::string file = CacheFile("forecast-" + code + ".json");
    nlohmann::json stored = nlohmann::json::parse(test::ReadFile(file));
    stored["fetched_at"] = stored["fetched_at"].get<long long>() - seconds;
    test::WriteFile(file, stored.dump());
  };
  age("101010100", 5 * 60);       // fresh: no request at all
  age("501010100", 60 * 60);      // stale, service down: served
  age("501020100", 7 * 60 * 60);  // too old, service down: 503
  provider_.SetForecast("39.13", FakeReply{500, ""});
  provider_.SetForecast("38.04", FakeReply{500, ""});
  PortalProcess portal(Args(), log_.File("portal.log"));
  EXPECT_EQ(Get(portal, "/data/sk/101010100.html").status, 200);
  EXPECT_EQ(provider_.ForecastRequests("39.90"), 1);
  const Answer stale = Get(portal, "/data/sk/501010100.html");
  EXPECT_EQ(stale.status, 200);
  EXPECT_NE(stale.body.find("\"temp\":\"1\""), std::string::npos);
  EXPECT_NE(Log().find("501010100 forecast: serving a stale reply, 60 min old"), std::string::npos);
  EXPECT_EQ(Get(portal, "/data/sk/501020100.html").status, 503);
  EXPECT_EQ(provider_.ForecastRequests("38.04"), 2);
}

TEST_F(LivePortal, ANameOutsideTheDirectoryKeepsItsCodeAfterARestart) {
  provider_.SetSearch("昆山", FakeReply{200, test::OpenMeteoFile("search_kunshan.json")});
  provider_.SetSearch("Peking", FakeReply{200, R"({"results": [{"id": 1816670, "name": "北京",
      "latitude": 39.91, "longitude": 116.40, "country_code": "CN", "admin1": "北京市"}]})"});
  {
    PortalProcess portal(Args());
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "昆山").body)), u"700000001");
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "%E6%98%86%E5%B1%B1").body)),
              u"700000001");
    for (int i = 0; i < 2; ++i) {
      EXPECT_NE(Search(portal, "火星").body.find("weather/999999999.shtml"), std::string::npos);
    }
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "beijing").body)), u"101010100");
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, " 北京 ").body)), u"101010100");
    // A directory city found under another spelling keeps the directory's code.
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "Peking").body)), u"101010100");
    EXPECT_EQ(provider_.SearchRequests(), 3);  // 昆山, 火星 and Peking once each
    const WidgetView v = ReadCity(portal, "700000001");
    EXPECT_EQ(v.module.State.CityName, u"昆山");
    EXPECT_EQ(v.module.State.TodayForecast[0], u"小雪");
    EXPECT_EQ(provider_.ForecastRequests("31.38"), 1);
  }
  provider_.SetSearch("昆山", FakeReply{500, ""});
  PortalProcess again(Args());
  EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(again, "昆山").body)), u"700000001");
  EXPECT_EQ(Get(again, "/data/sk/700000001.html").status, 200);
  EXPECT_EQ(Get(again, "/data/sk/700000002.html").status, 404);
}

TEST_F(LivePortal, TheGlobalRateLimitHoldsBackRequestsBeyondTheBurst) {
  std::vector<std::string> args = Args();
  args.insert(args.end(), {"--upstream-burst", "2"});
  PortalProcess portal(args);
  EXPECT_EQ(Get(portal, "/data/sk/501010100.html").status, 200);
  EXPECT_EQ(Get(portal, "/data/sk/501020100.html").status, 200);
  EXPECT_EQ(Get(portal, "/data/sk/501030100.html").status, 503);
  EXPECT_EQ(provider_.ForecastRequests(), 2);
}

// The bytes of a reply as sent, not decoded.
httplib::Result RawGet(const PortalProcess& portal, const std::string& path,
                       const httplib::Headers& headers) {
  httplib::Client client("127.0.0.1", portal.port());
  client.set_read_timeout(30, 0);
  client.set_decompress(false);
  return client.Get(path, headers);
}

std::string Gunzip(const std::string& data) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return {};
  std::string out(1 << 20, '\0');
  stream.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return rc == Z_STREAM_END ? out : std::string("(not a whole gzip stream)");
}

TEST_F(LivePortal, PagesAreGzippedForClientsThatTakeItAndOnlyForThem) {
  EXPECT_TRUE(portal_server::AcceptsGzip("zstd, br, gzip, deflate"));  // Qt Network
  EXPECT_TRUE(portal_server::AcceptsGzip("br;q=1.0, *;q=0.1"));
  EXPECT_FALSE(portal_server::AcceptsGzip("br, deflate"));
  EXPECT_FALSE(portal_server::AcceptsGzip("GZIP;q=0, *"));
  EXPECT_FALSE(portal_server::AcceptsGzip(""));

  PortalProcess live(Args());
  PortalProcess demo({"--date", "2026-12-07", "--hour", "10"});
  for (const PortalProcess* portal : {&live, &demo}) {
    const auto plain = RawGet(*portal, "/html/weather/101010100.shtml", {});
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->get_header_value("Content-Encoding"), "");
    EXPECT_GT(plain->body.size(), 10000u);
    const httplib::Headers qt = {{"Accept-Encoding", "zstd, br, gzip, deflate"}};
    for (int i = 0; i < 2; ++i) {  // compressed, then from the kept copy
      const auto packed = RawGet(*portal, "/html/weather/101010100.shtml", qt);
      ASSERT_TRUE(packed);
      EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
      EXPECT_EQ(Gunzip(packed->body), plain->body);
    }
    const auto brOnly =
        RawGet(*portal, "/static/html/weather_list.shtml", {{"Accept-Encoding", "br"}});
    ASSERT_TRUE(brOnly);
    EXPECT_EQ(brOnly->get_header_value("Content-Encoding"), "");
  }
}

TEST_F(LivePortal, AHangingServiceNeitherDelaysAReplyOnHandNorTakesEveryThread) {
  {
    PortalProcess first(Args());
    ASSERT_EQ(Get(first, "/data/sk/101010100.html").status, 200);
  }
  const std::string file = CacheFile("forecast-101010100.json");
  nlohmann::json stored = nlohmann::json::parse(test::ReadFile(file));
  stored["fetched_at"] = stored["fetched_at"].get<long long>() - 20 * 60;
  test::WriteFile(file, stored.dump());
  // From now on the service accepts requests and never answers.
  provider_.SetDefaultForecast(FakeReply{200, test::OpenMeteoFile("forecast_day.json"), 120000});
  PortalProcess portal(Args(), log_.File("portal.log"));  // upstream time-out 8 s

  // Cities with no reply at hand, more than may wait for the service at once...
  std::vector<std::string> waiting;
  for (const portal_server::City& c : portal_server::Cities()) {
    if (std::abs(c.latitude - 39.90) > 0.01 && waiting.size() < 28) waiting.push_back(c.code);
  }
  std::vector<int> statuses(waiting.size());
  std::vector<std::thread> widgets;
  for (std::size_t i = 0; i < waiting.size(); ++i) {
    widgets.emplace_back(
        [&, i] { statuses[i] = Get(portal, "/data/sk/" + waiting[i] + ".html").status; });
  }
  for (int i = 0; i < 300 && provider_.ForecastRequests() < 29; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // ... and the city whose reply is on hand is still answered from the cache, well before
  // the upstream time-out.
  const Answer cached = Get(portal, "/data/sk/101010100.html", 4);
  EXPECT_EQ(cached.status, 200);
  EXPECT_NE(cached.body.find("\"cityid\":\"101010100\""), std::string::npos);
  EXPECT_EQ(Get(portal, "/html/weather/101010100.shtml", 4).status, 200);
  for (auto& w : widgets) w.join();
  for (std::size_t i = 0; i < waiting.size(); ++i) EXPECT_EQ(statuses[i], 503) << waiting[i];
  // One refresh of the old reply, in the background.
  EXPECT_EQ(provider_.ForecastRequests("39.90"), 2);
}

TEST_F(LivePortal, ASearchThatCannotBeMadeAnswers503NotNoSuchPlace) {
  provider_.SetSearch("婺源", FakeReply{500, "{\"error\":true}"});
  provider_.SetSearch("乌镇", FakeReply{200, "<html>busy</html>"});
  std::vector<std::string> args = Args();
  args.insert(args.end(), {"--upstream-burst", "1"});
  PortalProcess portal(args, log_.File("portal.log"));
  for (const char* name : {"婺源", "乌镇"}) {
    const Answer a = Search(portal, name);
    EXPECT_EQ(a.status, 503) << name;
    EXPECT_EQ(a.body.find("999999999"), std::string::npos) << name;
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(a.body)), u"") << name;
  }
  // Widgets have used up the forecast budget; searches keep their own.
  EXPECT_EQ(Get(portal, "/data/sk/501010100.html").status, 200);
  EXPECT_EQ(Get(portal, "/data/sk/501020100.html").status, 503);
  // The service finds no such place: that alone is 999999999.
  for (const char* name : {"火星一", "火星二", "火星三"}) {
    const Answer a = Search(portal, name);
    EXPECT_EQ(a.status, 200);
    EXPECT_NE(a.body.find("weather/999999999.shtml"), std::string::npos) << name;
  }
  // Five searches at once, then one per 10 seconds: the sixth is over the limit.
  EXPECT_EQ(Search(portal, "火星四").status, 503);
  EXPECT_EQ(provider_.SearchRequests(), 5);
  EXPECT_NE(Log().find("over the search rate limit"), std::string::npos);
}

TEST_F(LivePortal, TwoProvidersDoNotSharePlacesOrReplies) {
  provider_.SetSearch("昆山", FakeReply{200, test::OpenMeteoFile("search_kunshan.json")});
  FakeWeatherProvider other;
  other.SetSearch("昆山", FakeReply{200, R"({"results": [{"id": 9, "name": "昆山",
      "latitude": 30.00, "longitude": 110.00, "country_code": "CN", "admin1": "某省"}]})"});
  std::vector<std::string> otherArgs = Args();
  otherArgs[3] = other.base();  // the same folders, another provider
  {
    PortalProcess portal(Args());
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "昆山").body)), u"700000001");
    EXPECT_EQ(Get(portal, "/data/sk/700000001.html").status, 200);
    EXPECT_EQ(Get(portal, "/data/sk/101010100.html").status, 200);
  }
  {
    PortalProcess portal(otherArgs);
    // Its own search, its own coordinates; none of the first provider's replies.
    EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(portal, "昆山").body)), u"700000001");
    EXPECT_EQ(Get(portal, "/data/sk/700000001.html").status, 200);
    EXPECT_EQ(Get(portal, "/data/sk/101010100.html").status, 200);
    EXPECT_EQ(other.SearchRequests(), 1);
    EXPECT_EQ(other.ForecastRequests("30.00"), 1);
    EXPECT_EQ(other.ForecastRequests("39.90"), 1);
  }
  // The first provider's records are as it left them.
  PortalProcess again(Args());
  EXPECT_EQ(CityIdFromSearchReply(FromUtf8(Search(again, "昆山").body)), u"700000001");
  EXPECT_EQ(Get(again, "/data/sk/700000001.html").status, 200);
  EXPECT_EQ(provider_.SearchRequests(), 1);
  EXPECT_EQ(provider_.ForecastRequests("31.38"), 1);
  EXPECT_EQ(provider_.ForecastRequests("39.90"), 1);
}

}  // namespace
}  // namespace nimbulux
