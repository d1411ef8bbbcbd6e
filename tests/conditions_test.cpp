// Reading the real-time conditions: the piece rules on hand-made replies, and every
// city of the demo portal read back through FetchConditions.
#include <gtest/gtest.h>

#include "demo/demo_weather.h"
#include "pages/portal_data.h"
#include "pages/portal_replies.h"
#include "support/portal_process.h"
#include "weather/conditions.h"

namespace nimbulux {
namespace {

using portal_server::PortalTime;

struct Read {
  WeatherState state;
  ConditionsResult result;
};

Read ReadReply(const std::string& reply, const Text& cityName = u"") {
  Read r;
  r.state.CityName = cityName;
  r.state.NowTemperature = u"stale";
  r.state.NowDetails = {u"stale", u"stale", u"stale"};
  r.state.NowTimeText = u"stale";
  r.result = ReadConditions(FromUtf8(reply), r.state);
  return r;
}

std::string Reply(const std::string& temperature, const std::string& force = "3级",
                  const std::string& humidity = "40%", const std::string& pressure = "1010") {
  return "{\"a\":{\"b\":\"X\",\"c\":\"Y\",\"d\":\"" + temperature + "\",\"e\":\"N\",\"f\":\"" +
         force + "\",\"g\":\"" + humidity + "\",\"h\":\"" + pressure +
         "\",\"i\":\"1\",\"j\":\"10:25\",\"k\":\"1\"}}";
}

TEST(ReadConditions, TakesEachFieldFromItsPiece) {
  const Read r = ReadReply(Reply("5"));
  EXPECT_EQ(r.state.NowTemperature, u"5℃");
  EXPECT_EQ(r.state.NowDetails[0], u"湿度40%");
  EXPECT_EQ(r.state.NowDetails[1], u"N3级");
  EXPECT_EQ(r.state.NowDetails[2], u"气压1010");
  EXPECT_EQ(r.state.NowTimeText, u"天气实况(10:25)");
  EXPECT_EQ(r.state.CityName, u"X");
  EXPECT_TRUE(r.result.useTemperatureIcon);
  EXPECT_EQ(r.result.wholeDegrees, 5);

  // As the last piece, the time keeps the closing braces: the pieces are not JSON.
  WeatherState last;
  ReadConditions(u"{a:{b:X,c:Y,d:5,e:N,f:3级,g:40%,h:1010,i:1,j:10:25}}", last);
  EXPECT_EQ(last.NowTimeText, u"天气实况(10:25}})");

  // A name from the forecast page is kept.
  EXPECT_EQ(ReadReply(Reply("5"), u"北京").state.CityName, u"北京");
}

TEST(ReadConditions, ShortensWindWords) {
  EXPECT_EQ(ReadReply(Reply("5", "小于3级")).state.NowDetails[1], u"N<3级");
  EXPECT_EQ(ReadReply(Reply("5", "大于8级")).state.NowDetails[1], u"N>8级");
}

TEST(ReadConditions, MissingValuesLeaveTheirFieldsEmpty) {
  const Read r = ReadReply(Reply("暂无实况", "3级", "暂无实况", "暂无实况"));
  EXPECT_EQ(r.state.NowTemperature, u"℃");
  EXPECT_EQ(r.state.NowDetails[0], u"");
  EXPECT_EQ(r.state.NowDetails[2], u"");
  EXPECT_FALSE(r.result.useTemperatureIcon);
  EXPECT_EQ(r.result.wholeDegrees, 0);
}

TEST(ReadConditions, WholeDegreesAndTheIconChoice) {
  const struct {
    std::string temperature;
    int degrees;
    bool icon;
  } cases[] = {{"0", 0, true},          {"-12", -12, true}, {"2.5", 2, true},
               {"3.5", 4, true},        {"", 0, false},     {"0.4", 0, true},
               {"-0.4", 0, true},       {"abc", 0, false},  {"99999", 32767, true},
               {"-99999", -32768, true}};
  for (const auto& c : cases) {
    const Read r = ReadReply(Reply(c.temperature));
    EXPECT_EQ(r.result.wholeDegrees, c.degrees) << c.temperature;
    EXPECT_EQ(r.result.useTemperatureIcon, c.icon) << c.temperature;
  }
}

TEST(ReadConditions, AShortOrEmptyReplyFillsOnlyWhatItHas) {
  const Read empty = ReadReply("");
  EXPECT_EQ(empty.state.NowTemperature, u"");
  EXPECT_EQ(empty.state.NowDetails[1], u"");
  EXPECT_EQ(empty.state.NowTimeText, u"");
  EXPECT_EQ(empty.state.CityName, u"");
  EXPECT_FALSE(empty.result.useTemperatureIcon);

  const Read shorter = ReadReply("{a:{b:X,c:Y,d:7,e:N");
  EXPECT_EQ(shorter.state.NowTemperature, u"7℃");
  EXPECT_EQ(shorter.state.NowDetails[1], u"N");
  EXPECT_EQ(shorter.state.NowDetails[0], u"");
  EXPECT_EQ(shorter.state.NowTimeText, u"");

  // A time piece without a minute part is skipped, not half-filled.
  const Read noMinute = ReadReply("{a:{b:X,c:Y,d:7,e:N,f:1,g:2,h:3,i:4,j:10");
  EXPECT_EQ(noMinute.state.NowTimeText, u"");
}

std::string Digits2(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Every city of the directory, at an hour where at least one observation is missing.
TEST(FetchConditions, ReadsBackWhatThePortalGenerated) {
  PortalTime when{2026, 12, 7, 0};
  bool found = false;
  for (int hour = 0; hour < 24 * 20 && !found; ++hour) {
    when = portal_server::AddDays(PortalTime{2026, 12, 7, 0}, hour / 24);
    when.hour = hour % 24;
    for (const auto& city : portal_server::Cities()) {
      if (portal_server::ObservationFor(city, when).missing) found = true;
    }
  }
  ASSERT_TRUE(found);
  const std::string date =
      std::to_string(when.year) + "-" + Digits2(when.month) + "-" + Digits2(when.day);
  test::PortalProcess portal({"--date", date, "--hour", std::to_string(when.hour)});
  Weather().PortalBase = FromUtf8(portal.base());

  int missing = 0;
  for (const auto& city : portal_server::Cities()) {
    SCOPED_TRACE(city.name);
    const auto o = portal_server::ObservationFor(city, when);
    Weather().CurrentCityId = FromUtf8(city.code);
    WeatherState& s = Weather().State;
    s = WeatherState{};
    const ConditionsResult r = FetchConditions();

    EXPECT_EQ(s.CityName, FromUtf8(city.name));
    EXPECT_EQ(s.NowTimeText,
              FromUtf8("天气实况(" + Digits2(o.hour) + ":" + Digits2(o.minute) + ")"));
    if (o.missing) {
      ++missing;
      EXPECT_EQ(s.NowTemperature, u"℃");
      EXPECT_EQ(s.NowDetails[0], u"");
      EXPECT_EQ(s.NowDetails[1], u"");
      EXPECT_EQ(s.NowDetails[2], u"");
      EXPECT_FALSE(r.useTemperatureIcon);
      continue;
    }
    EXPECT_EQ(s.NowTemperature, FromUtf8(std::to_string(o.temperature) + "℃"));
    EXPECT_EQ(r.wholeDegrees, o.temperature);
    EXPECT_TRUE(r.useTemperatureIcon);
    std::string force = o.windForce;
    if (force.rfind("小于", 0) == 0) force = "<" + force.substr(std::string("小于").size());
    EXPECT_EQ(s.NowDetails[1], FromUtf8(o.windDirection + force));
    EXPECT_EQ(s.NowDetails[0], FromUtf8("湿度" + std::to_string(o.humidity) + "%"));
    EXPECT_EQ(s.NowDetails[2], FromUtf8("气压" + std::to_string(o.pressure) + "hPa"));
  }
  EXPECT_GT(missing, 0);
}

TEST(FetchConditions, AFailedFetchEmptiesTheFieldsAndKeepsTheName) {
  test::PortalProcess portal;
  Weather().PortalBase = FromUtf8(portal.base());
  Weather().CurrentCityId = u"123456789";  // not in the directory: a 404 page
  WeatherState& s = Weather().State;
  s.CityName = u"北京";
  s.NowTemperature = u"5℃";
  s.NowDetails[0] = u"湿度40%";
  const ConditionsResult r = FetchConditions();
  EXPECT_EQ(s.CityName, u"北京");
  EXPECT_EQ(s.NowTemperature, u"");
  EXPECT_EQ(s.NowDetails[0], u"");
  EXPECT_FALSE(r.useTemperatureIcon);
}

}  // namespace
}  // namespace nimbulux
