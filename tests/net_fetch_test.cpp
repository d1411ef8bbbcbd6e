// HttpFetch and HttpPost against the demo portal on loopback.
#include <gtest/gtest.h>

#include "core/gbk.h"
#include "net/http_fetch.h"
#include "portal_data.h"
#include "portal_replies.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <set>

namespace nimbulux {
namespace {

using portal_server::City;
using portal_server::FindCityByCode;
using portal_server::PortalTime;
using test::PortalProcess;
using test::TempDir;
using test::WriteFile;

const PortalTime kTime{2026, 12, 7, 10};
const std::vector<std::string> kFixedClock = {"--date", "2026-12-07", "--hour", "10"};

Text Url(const PortalProcess& portal, const std::string& path) {
  return FromUtf8(portal.base() + path);
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class HttpFetchTest : public ::testing::Test {
 protected:
  void TearDown() override { SetHttpTimeoutsForTesting(0, 0); }
};

TEST_F(HttpFetchTest, GivesTheBodyAsTextAndAsBytes) {
  PortalProcess portal(kFixedClock);
  const City& beijing = *FindCityByCode("101010100");
  const std::string expected = portal_server::ConditionsReply(beijing, kTime);

  EXPECT_EQ(HttpFetch(Url(portal, "/data/sk/101010100.html"), true), FromUtf8(expected));
  EXPECT_EQ(ResponseBytes(), expected);
}

TEST_F(HttpFetchTest, BypassCacheAppendsARandomNumberFrom1To9999) {
  PortalProcess portal;
  const std::string page = portal.base() + "/data/sk/101010100.html";
  HttpFetch(FromUtf8(page), false);
  EXPECT_EQ(LastRequestedUrl(), page);

  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    HttpFetch(FromUtf8(page), true);
    const std::string& url = LastRequestedUrl();
    ASSERT_EQ(url.rfind(page + "?", 0), 0u) << url;
    const std::string number = url.substr(page.size() + 1);
    ASSERT_FALSE(number.empty());
    ASSERT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << number;
    ASSERT_NE(number[0], '0');
    const int n = std::stoi(number);
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 9999);
    seen.insert(number);
  }
  EXPECT_GT(seen.size(), 1u);  // reseeded per call, yet not stuck on one number

  // Appended even when the address already carries a query.
  HttpFetch(FromUtf8(page + "?a=1"), true);
  EXPECT_EQ(LastRequestedUrl().rfind(page + "?a=1?", 0), 0u);
}

TEST_F(HttpFetchTest, TheStatusIsNotLookedAt) {
  PortalProcess portal(With(kFixedClock, {"--fault", "/data/sk/=status:500"}));
  const Text missing = HttpFetch(Url(portal, "/no/such/page.html"), false);
  EXPECT_NE(missing.find(u"404"), Text::npos);
  EXPECT_EQ(FromUtf8(ResponseBytes()), missing);

  const Text failed = HttpFetch(Url(portal, "/data/sk/101010100.html"), true);
  EXPECT_EQ(failed, FromUtf8(portal_server::ConditionsReply(*FindCityByCode("101010100"), kTime)));
}

TEST_F(HttpFetchTest, FailuresGiveEmptyTextAndEmptyBytes) {
  SetHttpTimeoutsForTesting(1000, 1500);
  PortalProcess slow({"--fault", "/data/sk/=delay:60000", "--fault", "/big=garbage:17000000",
                      "--fault", "/data/cityinfo/=close"});
  PortalProcess stopped;
  const std::string deadBase = stopped.base();
  stopped.Stop();

  const std::vector<std::pair<std::string, Text>> cases = {
      {"unreachable host", FromUtf8(deadBase + "/data/sk/101010100.html")},
      {"server that never answers", Url(slow, "/data/sk/101010100.html")},
      {"body over the size cap", Url(slow, "/big")},
      {"connection closed mid-reply", Url(slow, "/data/cityinfo/101010100.html")},
      {"malformed address", u"not a url"},
      {"empty address", u""},
  };
  for (const auto& [what, url] : cases) {
    // A previous good reply must not shine through.
    HttpFetch(Url(slow, "/static/html/weather_list.shtml"), false);
    ASSERT_FALSE(ResponseBytes().empty());
    EXPECT_EQ(HttpFetch(url, false), u"") << what;
    EXPECT_TRUE(ResponseBytes().empty()) << what;
  }
}

TEST_F(HttpFetchTest, TwoFetchesInARowLeaveOnlyTheSecondBody) {
  PortalProcess portal(kFixedClock);
  HttpFetch(Url(portal, "/m/i/icon_weather/42x30/d01.gif"), false);
  const std::string icon = ResponseBytes();
  ASSERT_EQ(icon.substr(0, 6), "GIF89a");

  HttpFetch(Url(portal, "/data/cityinfo/101020100.html"), true);
  EXPECT_EQ(ResponseBytes(), portal_server::CitySummaryReply(*FindCityByCode("101020100"), kTime));
}

TEST_F(HttpFetchTest, ATruncatedBodyIsReturnedAsSent) {
  PortalProcess portal(With(kFixedClock, {"--fault", "/data/sk/=truncate:10"}));
  const std::string full = portal_server::ConditionsReply(*FindCityByCode("101010100"), kTime);
  HttpFetch(Url(portal, "/data/sk/101010100.html"), true);
  EXPECT_EQ(ResponseBytes(), full.substr(0, 10));
}

TEST_F(HttpFetchTest, DecodesByTheDeclaredCharsetElseUtf8ElseGbk) {
  TempDir fixtures;
  const Text chinese = u"北京 朱镕基 天气";  // 镕 exists in GBK but not in GB2312
  const std::string gbk = GbkFromText(chinese);
  ASSERT_NE(gbk.find("\xE9\x46"), std::string::npos);
  WriteFile(fixtures.File("gbk.html"), gbk);
  WriteFile(fixtures.File("gbk.html.content-type"), "text/html; charset=GBK\n");
  WriteFile(fixtures.File("gb2312.html"), gbk);
  WriteFile(fixtures.File("gb2312.html.content-type"), "text/html; charset=\"gb2312\"");
  WriteFile(fixtures.File("plain-gbk.html"), gbk);
  WriteFile(fixtures.File("plain-gbk.html.content-type"), "text/html");
  WriteFile(fixtures.File("plain-utf8.html"), ToUtf8(chinese));
  WriteFile(fixtures.File("plain-utf8.html.content-type"), "text/html");
  WriteFile(fixtures.File("empty.html"), "");
  PortalProcess portal({"--fixtures", fixtures.path()});

  EXPECT_EQ(HttpFetch(Url(portal, "/gbk.html"), false), chinese);
  EXPECT_EQ(ResponseBytes(), gbk);
  EXPECT_EQ(HttpFetch(Url(portal, "/gb2312.html"), false), chinese);
  EXPECT_EQ(HttpFetch(Url(portal, "/plain-gbk.html"), false), chinese);
  EXPECT_EQ(HttpFetch(Url(portal, "/plain-utf8.html"), false), chinese);
  EXPECT_EQ(HttpFetch(Url(portal, "/empty.html"), true), u"");
  EXPECT_TRUE(ResponseBytes().empty());
}

TEST_F(HttpFetchTest, PostSendsTheBodyAsGiven) {
  PortalProcess portal;
  const Text reply = HttpPost(Url(portal, "/static/url.php"), "cityinfo=" + ToUtf8(u"上海"),
                              "application/x-www-form-urlencoded");
  EXPECT_NE(reply.find(u"weather/101020100.shtml"), Text::npos);
  EXPECT_EQ(FromUtf8(ResponseBytes()), reply);

  const Text unknown = HttpPost(Url(portal, "/static/url.php"), "cityinfo=" + ToUtf8(u"不存在"),
                                "application/x-www-form-urlencoded");
  EXPECT_NE(unknown.find(u"weather/999999999.shtml"), Text::npos);
}

}  // namespace
}  // namespace nimbulux
