// The demo portal: its directory and weather generator, its command line, and its
// replies read back through the widget's own readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "demo/demo_pages.h"
#include "demo/demo_weather.h"
#include "net/http_fetch.h"
#include "pages/portal_data.h"
#include "pages/portal_replies.h"
#include "server/portal_options.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "weather/city_directory.h"
#include "weather/weather_state.h"

namespace nimbulux {
namespace {

namespace ps = portal_server;
using ps::PortalTime;

TEST(PortalDirectory, HoldsRealCitiesUnderUniqueCodes) {
  const auto& cities = ps::Cities();
  EXPECT_GE(cities.size(), 30u);
  EXPECT_GE(ps::Regions().size(), 6u);
  std::set<std::string> codes, names;
  for (const auto& c : cities) {
    EXPECT_EQ(c.code.size(), 9u) << c.name;
    EXPECT_TRUE(IsCityId(FromUtf8(c.code))) << c.name;
    EXPECT_TRUE(codes.insert(c.code).second) << c.code;
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    EXPECT_EQ(ps::FindCityByCode(c.code), &c);
    EXPECT_EQ(ps::FindCityByName(c.name), &c);
    EXPECT_EQ(ps::FindCityByName(c.pinyin), &c);
  }
  EXPECT_EQ(ps::FindCityByCode("101010100")->name, "北京");
  EXPECT_EQ(ps::FindCityByCode("101020100")->name, "上海");
  EXPECT_EQ(ps::FindCityByName("BeiJing")->code, "101010100");
  EXPECT_EQ(ps::FindCityByName("北京市")->code, "101010100");
  EXPECT_EQ(ps::FindCityByName(""), nullptr);
  EXPECT_EQ(ps::FindCityByName("北"), nullptr);
}

TEST(PortalWeather, IsRepeatableAndPlausible) {
  const PortalTime t{2026, 12, 7, 10};
  const auto& beijing = *ps::FindCityByCode("101010100");
  EXPECT_EQ(ps::ConditionsReply(beijing, t), ps::ConditionsReply(beijing, t));
  EXPECT_EQ(ps::CitySummaryReply(beijing, t), ps::CitySummaryReply(beijing, t));

  std::set<std::string> weathers;
  std::set<int> highs;
  for (int d = 0; d < 60; ++d) {
    const PortalTime day = ps::AddDays(t, d);
    for (const auto& c : ps::Cities()) {
      const auto f = ps::ForecastFor(c, day, 0);
      EXPECT_GE(f.high, f.low) << c.name;
      EXPECT_GT(f.high, -45);
      EXPECT_LT(f.high, 45);
      EXPECT_EQ(f.dayIcon.substr(0, 1), "d");
      EXPECT_EQ(f.nightIcon.substr(0, 1), "n");
      EXPECT_FALSE(f.dayWeather.empty());
      const auto o = ps::ObservationFor(c, day);
      EXPECT_GE(o.humidity, 0);
      EXPECT_LE(o.humidity, 100);
      EXPECT_GT(o.pressure, 500);
      EXPECT_LT(o.pressure, 1100);
      weathers.insert(f.dayWeather);
    }
    highs.insert(ps::ForecastFor(beijing, day, 0).high);
  }
  EXPECT_GE(weathers.size(), 5u);  // the weather changes from day to day
  EXPECT_GE(highs.size(), 5u);

  // Winter is colder in the north; the afternoon warmer than the dawn.
  const PortalTime january{2027, 1, 15, 14};
  EXPECT_LT(ps::ForecastFor(*ps::FindCityByName("haerbin"), january, 0).high,
            ps::ForecastFor(*ps::FindCityByName("guangzhou"), january, 0).low);
  int warmer = 0;
  for (int d = 0; d < 30; ++d) {
    PortalTime dawn = ps::AddDays(january, d), noon = dawn;
    dawn.hour = 5;
    noon.hour = 14;
    warmer += ps::ObservationFor(beijing, noon).temperature >
              ps::ObservationFor(beijing, dawn).temperature;
  }
  EXPECT_GE(warmer, 25);

  // Beijing in December: sunrise a little after seven, sunset before five.
  const auto w = ps::WeatherFor(beijing, t);
  EXPECT_EQ(w.sunrise.substr(0, 3), "07:");
  EXPECT_EQ(w.sunset.substr(0, 3), "16:");
  EXPECT_EQ(w.dayIndices.size(), 8u);
  EXPECT_EQ(w.nightIndices.size(), 8u);
  EXPECT_EQ(ps::WeekdayName(t), "星期一");
}

TEST(PortalOptions, ParsesFaultsAndRefusesBadArguments) {
  const auto delay = ps::ParseFault("/data/sk/=delay:250");
  ASSERT_TRUE(delay);
  EXPECT_EQ(delay->prefix, "/data/sk/");
  EXPECT_EQ(delay->kind, ps::Fault::Kind::kDelay);
  EXPECT_EQ(delay->argument, 250);
  EXPECT_EQ(ps::ParseFault("/=close")->kind, ps::Fault::Kind::kClose);
  EXPECT_EQ(ps::ParseFault("/m/=garbage:10")->kind, ps::Fault::Kind::kGarbage);
  for (const char* bad : {"/x=", "x=close", "/x=status:99", "/x=truncate:-1", "/x=delay",
                          "/x=close:1", "/x=explode:1", "=close"}) {
    EXPECT_FALSE(ps::ParseFault(bad)) << bad;
  }

  std::string error;
  const auto o =
      ps::ParsePortalOptions({"--port", "0", "--date", "2027-02-28", "--hour", "23", "--fault",
                              "/a=close", "--fault", "/b=status:503", "--quiet"},
                             error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->port, 0);
  EXPECT_EQ(o->faults.size(), 2u);
  const PortalTime t = ps::ReplyTime(*o);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 28);
  EXPECT_EQ(t.hour, 23);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--port", "70000"},
                                             {"--hour", "24"},
                                             {"--date", "2027-02-29"},
                                             {"--date"},
                                             {"--what"}}) {
    EXPECT_FALSE(ps::ParsePortalOptions(bad, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(PortalProgram, DocumentsItselfAndRejectsUnknownOptions) {
  const std::string bin = test::PortalProcess::Binary();
  FILE* help = popen((bin + " --help").c_str(), "r");
  ASSERT_NE(help, nullptr);
  std::string text;
  char buf[512];
  while (std::fgets(buf, sizeof buf, help)) text += buf;
  EXPECT_EQ(pclose(help), 0);
  for (const char* option :
       {"--port", "--bind", "--quiet", "--fixtures", "--date", "--hour", "--fault",
        "--update-notice", "delay:", "status:", "truncate:", "garbage:", "close"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
  EXPECT_NE(std::system((bin + " --bogus 2>/dev/null").c_str()), 0);
}

// The city list page and the search service, through the options dialog's readers.
TEST(PortalReplies, CityDirectoryAndSearchReadBack) {
  test::PortalProcess portal;
  setenv("NIMBULUX_PORTAL", portal.base().c_str(), 1);
  setenv("NIMBULUX_SEARCH", portal.base().c_str(), 1);

  const Text page = HttpFetch(FromUtf8(portal.base() + "/static/html/weather_list.shtml"), true);
  const CityDirectory directory = ParseCityDirectory(page);
  const auto regions = ListedRegions(directory);
  const auto expected = ps::Regions();
  ASSERT_EQ(regions.size(), expected.size());
  std::size_t listed = 0;
  for (std::size_t i = 0; i < regions.size(); ++i) {
    EXPECT_EQ(regions[i].Name, FromUtf8(expected[i]));
    for (const ListedCity& c : CitiesOfRegion(directory.RegionBodies[regions[i].Block])) {
      const auto* city = ps::FindCityByCode(ToUtf8(c.Id));
      ASSERT_NE(city, nullptr) << ToUtf8(c.Id);
      EXPECT_EQ(FromUtf8(city->name), c.Name);
      EXPECT_EQ(city->region, expected[i]);
      ++listed;
    }
  }
  EXPECT_EQ(listed, ps::Cities().size());

  for (const auto& city : ps::Cities()) {
    EXPECT_EQ(CitySearch(FromUtf8(city.name)), FromUtf8(city.code)) << city.name;
    EXPECT_EQ(CitySearch(FromUtf8(city.pinyin)), FromUtf8(city.code)) << city.pinyin;
  }
  EXPECT_EQ(CitySearch(u"火星"), u"");
  unsetenv("NIMBULUX_PORTAL");
  unsetenv("NIMBULUX_SEARCH");
}

// The city summary: eight pieces whose parts carry the generated forecast.
TEST(PortalReplies, CitySummaryCarriesTheForecast) {
  const PortalTime t{2026, 7, 1, 9};
  test::PortalProcess portal({"--date", "2026-07-01", "--hour", "9"});
  for (const auto& city : ps::Cities()) {
    const auto f = ps::ForecastFor(city, t, 0);
    Text text = HttpFetch(FromUtf8(portal.base() + "/data/cityinfo/" + city.code + ".html"), true);
    text = ReplaceAll(text, u"\"", u"");
    const auto pieces = Split(text, u",");
    ASSERT_EQ(pieces.size(), 8u) << city.name;
    EXPECT_EQ(Split(pieces[0], u":")[2], FromUtf8(city.name));
    EXPECT_EQ(LeadingNumber(Split(pieces[2], u":")[1]), f.high);
    EXPECT_EQ(LeadingNumber(Split(pieces[3], u":")[1]), f.low);
    const Text weather = Split(pieces[4], u":")[1];
    EXPECT_EQ(weather.rfind(FromUtf8(f.dayWeather), 0), 0u);
    const Text dayIcon = Split(pieces[5], u":")[1];
    EXPECT_EQ(dayIcon.substr(0, 1), u"d");
    EXPECT_EQ(LeadingNumber(Mid(dayIcon, 2)), std::stoi(f.dayIcon.substr(1)));
  }
}

TEST(PortalFixtures, ServeFilesVerbatimButNeverOutsideTheirFolder) {
  test::TempDir root;
  std::filesystem::create_directories(root.File("fixtures/data/sk"));
  test::WriteFile(root.File("fixtures/data/sk/101010100.html"), "fixture reply");
  test::WriteFile(root.File("secret.html"), "secret");
  test::PortalProcess portal({"--fixtures", root.File("fixtures")});
  EXPECT_EQ(HttpFetch(FromUtf8(portal.base() + "/data/sk/101010100.html"), true), u"fixture reply");
  // Other paths still get their generated reply.
  EXPECT_NE(HttpFetch(FromUtf8(portal.base() + "/data/sk/101020100.html"), true).find(u"上海"),
            Text::npos);
  EXPECT_EQ(HttpFetch(FromUtf8(portal.base() + "/../secret.html"), false).find(u"secret"),
            Text::npos);
  EXPECT_EQ(HttpFetch(FromUtf8(portal.base() + "/%2e%2e/secret.html"), false).find(u"secret"),
            Text::npos);
}

}  // namespace
}  // namespace nimbulux
