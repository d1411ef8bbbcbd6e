// The plain HTTP client: its response reader, addresses and proxy rules on their own,
// then whole exchanges against small scripted servers on loopback and the demo portal.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "net/http_fetch.h"
#include "net/plain_http.h"
#include "support/portal_process.h"

namespace nimbulux {
namespace {

using plain_http::ResponseParser;
using State = ResponseParser::State;

// ---------------------------------------------------------------------------------------
// Response reader

State FeedAll(ResponseParser& p, std::string_view bytes, bool close) {
  p.Feed(bytes);
  return close ? p.Finish() : p.state();
}

TEST(ResponseParserTest, ReadsBodiesByLengthChunksOrClose) {
  {
    ResponseParser p(1000);
    EXPECT_EQ(FeedAll(p, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false),
              State::kComplete);
    EXPECT_EQ(p.body(), "hello");
  }
  {
    // Byte by byte, with bare LF line ends and an interim 100 reply first.
    const std::string reply =
        "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 404 Not Found\ncontent-length: 3\n\nabc";
    ResponseParser p(1000);
    for (char c : reply) p.Feed(std::string_view(&c, 1));
    EXPECT_EQ(p.state(), State::kComplete);
    EXPECT_EQ(p.status(), 404);
    EXPECT_EQ(p.body(), "abc");
  }
  {
    ResponseParser p(1000);
    const std::string reply =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\nContent-Length: 2\r\n\r\n"
        "4;name=value\r\nWiki\r\n5\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n0\r\nX-Trailer: "
        "1\r\n\r\n";
    EXPECT_EQ(FeedAll(p, reply, false), State::kComplete);
    EXPECT_EQ(p.body(), "Wikipedia in\r\n\r\nchunks.");
  }
  {
    ResponseParser p(1000);
    EXPECT_EQ(FeedAll(p, "HTTP/1.1 200 OK\r\n\r\nuntil the end", false), State::kInProgress);
    EXPECT_EQ(p.Finish(), State::kComplete);
    EXPECT_EQ(p.body(), "until the end");
  }
  {
    ResponseParser p(1000);
    EXPECT_EQ(FeedAll(p, "HTTP/1.1 204 No Content\r\n\r\n", false), State::kComplete);
    EXPECT_TRUE(p.body().empty());
  }
}

TEST(ResponseParserTest, HeaderNamesIgnoreCaseAndTheLastOneCounts) {
  ResponseParser p(1000);
  FeedAll(p,
          "HTTP/1.1 302 Found\r\nLOCATION: /a\r\nx-folded: one\r\n two\r\nno colon line\r\n"
          "Content-Length: 9\r\ncontent-length: 2\r\n\r\nok",
          false);
  ASSERT_EQ(p.state(), State::kComplete);
  ASSERT_NE(p.Header("location"), nullptr);
  EXPECT_EQ(*p.Header("Location"), "/a");
  EXPECT_EQ(*p.Header("X-Folded"), "one two");
  EXPECT_EQ(p.Header("Content-Type"), nullptr);
  EXPECT_EQ(p.body(), "ok");
}

TEST(ResponseParserTest, ShortMalformedOrOversizedRepliesFail) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"body shorter than its length", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"},
      {"closed inside the headers", "HTTP/1.1 200 OK\r\nContent-Len"},
      {"nothing at all", ""},
      {"garbage status line", "GARBAGE 200 OK\r\n\r\nbody"},
      {"binary noise", std::string("\x00\x01\xff\xfe", 4)},
      {"status without code", "HTTP/1.1 OK\r\n\r\n"},
      {"bad length", "HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n\r\nab"},
      {"bad chunk size",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n"},
      {"chunk data too long",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"},
      {"chunks cut off", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"},
      {"no last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n"},
      {"huge chunk size",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nffffffffffffffffff\r\nab\r\n"},
  };
  for (const auto& [what, reply] : cases) {
    ResponseParser p(1000);
    EXPECT_EQ(FeedAll(p, reply, true), State::kFailed) << what;
    EXPECT_TRUE(p.body().empty()) << what;
  }
}

TEST(ResponseParserTest, TheBodyCapHoldsForEveryKindOfBody) {
  const std::string atCap(kMaxBodyBytes, 'x');
  {
    ResponseParser p(kMaxBodyBytes);
    FeedAll(p, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kMaxBodyBytes) + "\r\n\r\n",
            false);
    EXPECT_EQ(FeedAll(p, atCap, false), State::kComplete);
    EXPECT_EQ(p.body().size(), kMaxBodyBytes);
  }
  {
    ResponseParser p(kMaxBodyBytes);
    EXPECT_EQ(FeedAll(p,
                      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kMaxBodyBytes + 1) +
                          "\r\n\r\n",
                      false),
              State::kFailed);
  }
  {
    ResponseParser p(kMaxBodyBytes);
    FeedAll(p, "HTTP/1.1 200 OK\r\n\r\n", false);
    FeedAll(p, atCap, false);
    EXPECT_EQ(FeedAll(p, "y", true), State::kFailed);
  }
  {
    ResponseParser p(kMaxBodyBytes);
    FeedAll(p, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000000\r\n", false);
    FeedAll(p, atCap, false);
    EXPECT_EQ(FeedAll(p, "\r\n1\r\ny\r\n0\r\n\r\n", true), State::kFailed);
  }
}

// ---------------------------------------------------------------------------------------
// Addresses and proxies

TEST(PlainHttpUrlTest, TakesAddressesApart) {
  auto u = plain_http::ParseUrl("HTTP://Example.com:8080/a/b?c=1#frag");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->host, "Example.com");
  EXPECT_EQ(u->port, 8080);
  EXPECT_EQ(u->target, "/a/b?c=1");
  EXPECT_EQ(plain_http::HostHeader(*u), "Example.com:8080");

  u = plain_http::ParseUrl("http://[::1]/x y\r\nEvil: 1");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->host, "::1");
  EXPECT_EQ(u->port, 80);
  EXPECT_EQ(u->target, "/x%20y%0D%0AEvil:%201");
  EXPECT_EQ(plain_http::AbsoluteForm(*u), "http://[::1]/x%20y%0D%0AEvil:%201");

  u = plain_http::ParseUrl("127.0.0.1:81?q");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->target, "/?q");

  for (const char* bad :
       {"", "not a url", "http://", "http://host:0/", "http://host:70000/", "http://[::1/",
        "http://[nonsense]/", "https://host/", "ftp://host/", "http://ho\r\nst/"}) {
    EXPECT_FALSE(plain_http::ParseUrl(bad)) << bad;
  }
}

TEST(PlainHttpUrlTest, ResolvesRedirectTargets) {
  const std::string base = "http://h:81/dir/page.html?q=1";
  const std::map<std::string, std::string> cases = {
      {"https://other/x", "https://other/x"}, {"//other/y", "http://other/y"},
      {"/abs?z", "http://h:81/abs?z"},        {"next.html", "http://h:81/dir/next.html"},
      {"../up/./a#f", "http://h:81/up/a"},    {"?only", "http://h:81/dir/page.html?only"},
  };
  for (const auto& [location, expected] : cases) {
    EXPECT_EQ(plain_http::ResolveLocation(base, location).value_or("?"), expected) << location;
  }
  EXPECT_FALSE(plain_http::ResolveLocation(base, "  "));
}

TEST(PlainHttpProxyTest, ReadsTheEnvironmentLikeCurl) {
  using Kind = plain_http::ProxyChoice::Kind;
  std::map<std::string, std::string> vars;
  const plain_http::EnvLookup env = [&vars](const char* name) -> const char* {
    const auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
  EXPECT_EQ(plain_http::ChooseProxy("h", env).kind, Kind::kDirect);

  vars["HTTP_PROXY"] = "upper.case:1";  // not read for http, as with curl
  EXPECT_EQ(plain_http::ChooseProxy("h", env).kind, Kind::kDirect);

  vars["ALL_PROXY"] = "all.upper";
  auto p = plain_http::ChooseProxy("h", env);
  EXPECT_EQ(p.kind, Kind::kHttp);
  EXPECT_EQ(p.host, "all.upper");
  EXPECT_EQ(p.port, 1080);

  vars["http_proxy"] = "http://us%40r:pw@proxy.lan:3128/";
  p = plain_http::ChooseProxy("h", env);
  EXPECT_EQ(p.host, "proxy.lan");
  EXPECT_EQ(p.port, 3128);
  EXPECT_EQ(p.authorization, "Basic dXNAcjpwdw==");  // "us@r:pw"

  vars["NO_PROXY"] = "example.com, .lan 10.0.0.1";
  EXPECT_EQ(plain_http::ChooseProxy("www.example.com", env).kind, Kind::kDirect);
  EXPECT_EQ(plain_http::ChooseProxy("EXAMPLE.com.", env).kind, Kind::kDirect);
  EXPECT_EQ(plain_http::ChooseProxy("box.lan", env).kind, Kind::kDirect);
  EXPECT_EQ(plain_http::ChooseProxy("10.0.0.1", env).kind, Kind::kDirect);
  EXPECT_EQ(plain_http::ChooseProxy("badexample.com", env).kind, Kind::kHttp);
  vars["no_proxy"] = "*";
  EXPECT_EQ(plain_http::ChooseProxy("anything", env).kind, Kind::kDirect);

  vars.erase("no_proxy");
  vars.erase("NO_PROXY");
  vars["http_proxy"] = "socks5://proxy:1080";
  EXPECT_EQ(plain_http::ChooseProxy("h", env).kind, Kind::kUnsupported);
}

// ---------------------------------------------------------------------------------------
// Whole exchanges

// A one-thread server on 127.0.0.1 that answers each connection from a script and keeps
// the requests it received.
class ScriptedServer {
 public:
  using Script = std::function<std::string(const std::string& request, int index)>;

  explicit ScriptedServer(Script script) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), length) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
      ADD_FAILURE() << "cannot listen";
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedServer() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  // Reads the head and, if announced, the body of one request.
  static std::string ReadRequest(int fd) {
    std::string data;
    char buffer[4096];
    for (;;) {
      const auto headEnd = data.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        std::size_t length = 0;
        const auto at = data.find("Content-Length: ");
        if (at != std::string::npos && at < headEnd) length = std::stoul(data.substr(at + 16));
        if (data.size() >= headEnd + 4 + length) return data;
      }
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return data;
      data.append(buffer, static_cast<std::size_t>(n));
    }
  }

  void Serve() {
    for (int index = 0;; ++index) {
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      const std::string request = ReadRequest(fd);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      const std::string reply = script_(request, index);
      if (reply == "RESET") {
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      } else {
        ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      ::close(fd);
    }
  }

  Script script_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Redirect(int status, const std::string& location) {
  return "HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + location +
         "\r\nContent-Length: 0\r\n\r\n";
}

// Sets proxy variables for one test and restores them after.
class ProxyEnvironment {
 public:
  ProxyEnvironment() {
    for (const char* name : kNames) {
      if (const char* v = std::getenv(name)) saved_[name] = v;
      ::unsetenv(name);
    }
  }
  ~ProxyEnvironment() {
    for (const char* name : kNames) ::unsetenv(name);
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

 private:
  static constexpr const char* kNames[] = {"http_proxy", "HTTP_PROXY", "all_proxy",
                                           "ALL_PROXY",  "no_proxy",   "NO_PROXY"};
  std::map<std::string, std::string> saved_;
};

class PlainHttpExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override { SetHttpTimeoutsForTesting(2000, 3000); }
  void TearDown() override { SetHttpTimeoutsForTesting(0, 0); }
  ProxyEnvironment env_;
};

TEST_F(PlainHttpExchangeTest, SendsOnlyTheHeadersTheRequestNeeds) {
  ScriptedServer server([](const std::string&, int) { return Ok("fine"); });
  EXPECT_EQ(HttpFetch(FromUtf8(server.base() + "/p?q=1"), false), u"fine");
  EXPECT_EQ(
      HttpPost(FromUtf8(server.base() + "/form"), "a=1&b=2", "application/x-www-form-urlencoded"),
      u"fine");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(requests[0], "GET /p?q=1 HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(requests[1],
            "POST /form HTTP/1.1\r\nHost: " + host +
                "\r\nConnection: close\r\nContent-Type: "
                "application/x-www-form-urlencoded\r\nContent-Length: 7\r\n\r\na=1&b=2");
}

TEST_F(PlainHttpExchangeTest, FollowsRedirectsTheWayCurlDoes) {
  // 303, 302 and 301 turn the POST into a GET without body; 307 and 308 keep it.
  int port = 0;  // known once the server listens, before the first request
  ScriptedServer server([&port](const std::string&, int index) {
    switch (index) {
      case 0:
        return Redirect(307, "/second");
      case 1:
        return Redirect(308, "third");
      case 2:
        return Redirect(303, "/fourth");
      case 3:
        return Redirect(302, "?fifth");
      case 4:
        return Redirect(301, "http://127.0.0.1:" + std::to_string(port));
      default:
        return Ok("arrived");
    }
  });
  port = server.port();
  EXPECT_EQ(HttpPost(FromUtf8(server.base() + "/first"), "k=v", "text/plain"), u"arrived");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[1].rfind("POST /second ", 0), 0u);
  EXPECT_NE(requests[1].find("\r\n\r\nk=v"), std::string::npos);
  EXPECT_EQ(requests[2].rfind("POST /third ", 0), 0u);
  EXPECT_EQ(requests[3].rfind("GET /fourth ", 0), 0u);
  EXPECT_EQ(requests[3].find("Content-"), std::string::npos);
  EXPECT_EQ(requests[4].rfind("GET /fourth?fifth ", 0), 0u);
  EXPECT_EQ(requests[5].rfind("GET / ", 0), 0u);
}

TEST_F(PlainHttpExchangeTest, FiveRedirectsAreFollowedASixthFails) {
  auto chain = [](int length) {
    return [length](const std::string&, int index) {
      return index < length ? Redirect(302, "/hop" + std::to_string(index)) : Ok("end");
    };
  };
  ScriptedServer five(chain(5));
  EXPECT_EQ(HttpFetch(FromUtf8(five.base() + "/"), false), u"end");
  ScriptedServer six(chain(6));
  EXPECT_EQ(HttpFetch(FromUtf8(six.base() + "/"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
  // A redirect without a Location is an ordinary reply.
  ScriptedServer bare([](const std::string&, int) {
    return std::string("HTTP/1.1 302 Found\r\nContent-Length: 4\r\n\r\nbody");
  });
  EXPECT_EQ(HttpFetch(FromUtf8(bare.base() + "/"), false), u"body");
}

TEST_F(PlainHttpExchangeTest, ChunkedRepliesAreJoinedAndDecoded) {
  ScriptedServer server([](const std::string&, int) {
    return std::string(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: text/html; "
        "charset=GBK\r\n\r\n2\r\n\xB1\xB1\r\n2\r\n\xBE\xA9\r\n0\r\n\r\n");
  });
  EXPECT_EQ(HttpFetch(FromUtf8(server.base() + "/"), false), u"北京");
  EXPECT_EQ(ResponseBytes(), "\xB1\xB1\xBE\xA9");
  // By name: the lookup may offer ::1 first, which refuses, then 127.0.0.1.
  EXPECT_EQ(HttpFetch(FromUtf8("http://localhost:" + std::to_string(server.port()) + "/"), false),
            u"北京");
}

TEST_F(PlainHttpExchangeTest, ReachesAnIpv6Literal) {
  test::PortalProcess portal({"--bind", "::1"});
  const Text page = HttpFetch(
      FromUtf8("http://[::1]:" + std::to_string(portal.port()) + "/data/sk/101010100.html"), false);
  EXPECT_NE(page.find(u"weatherinfo"), Text::npos);
}

TEST_F(PlainHttpExchangeTest, BrokenRepliesGiveNothing) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"garbage status line", "SSH-2.0-OpenSSH\r\n\r\n"},
      {"connection reset", "RESET"},
      {"closed without a reply", ""},
      {"unfinished chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nabc"},
  };
  for (const auto& [what, reply] : cases) {
    ScriptedServer good([](const std::string&, int) { return Ok("earlier"); });
    ASSERT_EQ(HttpFetch(FromUtf8(good.base() + "/"), false), u"earlier");
    ScriptedServer server([reply = reply](const std::string&, int) { return reply; });
    EXPECT_EQ(HttpFetch(FromUtf8(server.base() + "/"), false), u"") << what;
    EXPECT_TRUE(ResponseBytes().empty()) << what;
  }
}

TEST_F(PlainHttpExchangeTest, GoesThroughAnHttpProxyUnlessTheHostIsExcluded) {
  ScriptedServer proxy([](const std::string&, int) { return Ok("via proxy"); });
  ScriptedServer origin([](const std::string&, int) { return Ok("direct"); });

  env_.Set("http_proxy", "127.0.0.1:" + std::to_string(proxy.port()));
  EXPECT_EQ(HttpFetch(u"http://portal.example:8080/data/sk/1.html", false), u"via proxy");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0],
            "GET http://portal.example:8080/data/sk/1.html HTTP/1.1\r\nHost: "
            "portal.example:8080\r\nConnection: close\r\n\r\n");

  env_.Set("no_proxy", "localhost,127.0.0.1");
  EXPECT_EQ(HttpFetch(FromUtf8(origin.base() + "/"), false), u"direct");

  env_.Set("no_proxy", "");
  env_.Set("http_proxy", "socks5h://127.0.0.1:" + std::to_string(proxy.port()));
  EXPECT_EQ(HttpFetch(FromUtf8(origin.base() + "/"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
  EXPECT_EQ(proxy.requests().size(), 1u);
}

TEST_F(PlainHttpExchangeTest, OtherSchemesAndUnknownHostsFailCleanly) {
  test::PortalProcess closed;
  const std::string port = std::to_string(closed.port());
  closed.Stop();
  // https goes to libcurl (or fails when it is not there); nothing listens either way.
  EXPECT_EQ(HttpFetch(FromUtf8("https://127.0.0.1:" + port + "/"), false), u"");
  ScriptedServer toHttps([&port](const std::string&, int) {
    return Redirect(301, "https://127.0.0.1:" + port + "/");
  });
  EXPECT_EQ(HttpFetch(FromUtf8(toHttps.base() + "/"), false), u"");
  EXPECT_EQ(HttpFetch(u"http://no-such-host.invalid/", false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
}

TEST_F(PlainHttpExchangeTest, PortalFaultsEndInNothingOrInWhatWasSent) {
  test::PortalProcess portal({"--fault", "/data/sk/=garbage:1000", "--fault",
                              "/data/cityinfo/=close", "--fault", "/slow=delay:60000"});
  // Noise is still a whole reply: its bytes are kept even when they make no text.
  HttpFetch(FromUtf8(portal.base() + "/data/sk/101010100.html"), true);
  EXPECT_EQ(ResponseBytes().size(), 1000u);
  EXPECT_EQ(HttpFetch(FromUtf8(portal.base() + "/data/cityinfo/101010100.html"), true), u"");
  SetHttpTimeoutsForTesting(500, 800);
  EXPECT_EQ(HttpFetch(FromUtf8(portal.base() + "/slow"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
}

}  // namespace
}  // namespace nimbulux
