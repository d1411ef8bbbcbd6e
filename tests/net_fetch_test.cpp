// HttpFetch and HttpPost against the demo portal on loopback, and against small
// scripted servers (plain and TLS) for the replies the portal does not give.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "core/gbk.h"
#include "demo/demo_pages.h"
#include "net/http_fetch.h"
#include "pages/portal_data.h"
#include "pages/portal_replies.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"

namespace nimbulux {
namespace {

using portal_server::City;
using portal_server::FindCityByCode;
using portal_server::PortalTime;
using test::PortalProcess;
using test::ReadFile;
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

// ---------------------------------------------------------------------------------------
// Scripted servers: they run in this thread and answer while the fetch waits in its
// event loop.

// Answers each complete request (head and Content-Length body) with what script does.
class ScriptedServer {
 public:
  using Script = std::function<void(QTcpSocket& socket, const QByteArray& request)>;

  explicit ScriptedServer(Script script, std::unique_ptr<QTcpServer> server = nullptr)
      : server_(server ? std::move(server) : std::make_unique<QTcpServer>()),
        script_(std::move(script)) {
    QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, [this] {
      while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++connections_;
        Serve(socket);
      }
    });
    EXPECT_TRUE(server_->listen(QHostAddress::LocalHost));
  }

  // "http://127.0.0.1:<port>" (https for a TLS server).
  std::string base() const {
    const bool tls = dynamic_cast<QSslServer*>(server_.get()) != nullptr;
    return std::string(tls ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(server_->serverPort());
  }
  Text Url(const std::string& path) const { return FromUtf8(base() + path); }
  // Every request received so far, head and body.
  const std::vector<QByteArray>& requests() const { return requests_; }
  int connections() const { return connections_; }

 private:
  void Serve(QTcpSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
      buffer->append(socket->readAll());
      const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
      if (headEnd < 0) return;
      qsizetype length = 0;
      for (const QByteArray& line : buffer->left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toLong();
      }
      if (buffer->size() < headEnd + 4 + length) return;
      const QByteArray request = buffer->left(headEnd + 4 + length);
      buffer->remove(0, request.size());
      requests_.push_back(request);
      script_(*socket, request);
    });
  }

  std::unique_ptr<QTcpServer> server_;
  Script script_;
  std::vector<QByteArray> requests_;
  int connections_ = 0;
};

QByteArray Path(const QByteArray& request) { return request.split(' ').value(1); }

void Reply(QTcpSocket& socket, const QByteArray& status, const QByteArray& headers,
           const QByteArray& body) {
  socket.write("HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  socket.disconnectFromHost();
}

void Redirect(QTcpSocket& socket, const QByteArray& location,
              const QByteArray& status = "302 Found") {
  Reply(socket, status, "Location: " + location + "\r\n", "moved");
}

// A certificate for 127.0.0.1 made for this run, trusted by this test program only.
class TestCertificate {
 public:
  TestCertificate() {
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
        dir_.File("key.pem") + " -out " + dir_.File("cert.pem") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    certificate_ = QSslCertificate(QByteArray::fromStdString(ReadFile(dir_.File("cert.pem"))));
    key_ = QSslKey(QByteArray::fromStdString(ReadFile(dir_.File("key.pem"))), QSsl::Ec);
    QSslConfiguration trusted = QSslConfiguration::defaultConfiguration();
    trusted.addCaCertificate(certificate_);
    QSslConfiguration::setDefaultConfiguration(trusted);
  }
  bool ok() const { return !certificate_.isNull() && !key_.isNull(); }

  std::unique_ptr<QTcpServer> Server() const {
    auto server = std::make_unique<QSslServer>();
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(certificate_);
    config.setPrivateKey(key_);
    server->setSslConfiguration(config);
    return server;
  }

 private:
  TempDir dir_;
  QSslCertificate certificate_;
  QSslKey key_;
};

TEST_F(HttpFetchTest, OnlyHttpAndHttpsAreRequestedOrFollowed) {
  TempDir folder;
  WriteFile(folder.File("secret.txt"), "local secret");
  ScriptedServer ftp([](QTcpSocket&, const QByteArray&) {});
  const std::string ftpUrl = "ftp://" + ftp.base().substr(7) + "/secret.txt";
  ScriptedServer portal([&](QTcpSocket& socket, const QByteArray& request) {
    const QByteArray path = Path(request);
    if (path == "/file")
      Redirect(socket, "file://" + QByteArray::fromStdString(folder.File("secret.txt")));
    if (path == "/ftp") Redirect(socket, QByteArray::fromStdString(ftpUrl));
    if (path == "/data") Redirect(socket, "data:text/plain,local%20secret", "301 Moved");
    if (path.startsWith("/hop/")) {
      const int left = path.mid(5).toInt();
      if (left == 0)
        Reply(socket, "200 OK", "", "end of the chain");
      else
        Redirect(socket, "/hop/" + QByteArray::number(left - 1), "307 Temporary Redirect");
    }
  });

  for (const char* path : {"/file", "/ftp", "/data"}) {
    HttpFetch(portal.Url("/hop/0"), false);
    ASSERT_FALSE(ResponseBytes().empty());
    EXPECT_EQ(HttpFetch(portal.Url(path), false), u"") << path;
    EXPECT_TRUE(ResponseBytes().empty()) << path;
  }
  EXPECT_EQ(HttpFetch(FromUtf8("file://" + folder.File("secret.txt")), false), u"");
  EXPECT_EQ(HttpFetch(FromUtf8(ftpUrl), false), u"");
  EXPECT_EQ(ftp.connections(), 0);

  // Five redirects are followed, a sixth is a failure.
  EXPECT_EQ(HttpFetch(portal.Url("/hop/5"), false), u"end of the chain");
  EXPECT_EQ(HttpFetch(portal.Url("/hop/6"), false), u"");
}

TEST_F(HttpFetchTest, HttpsWorksAndNeverFallsBackToPlainHttp) {
  TestCertificate certificate;
  ASSERT_TRUE(certificate.ok()) << "openssl could not make a certificate";
  ScriptedServer plain([](QTcpSocket& socket, const QByteArray&) {
    Reply(socket, "200 OK", "", "over plain http");
  });
  const QByteArray plainTarget = QByteArray::fromStdString(plain.base() + "/page");
  ScriptedServer secure(
      [&](QTcpSocket& socket, const QByteArray& request) {
        const QByteArray path = Path(request);
        if (path == "/down") Redirect(socket, plainTarget);
        if (path == "/moved") Redirect(socket, "/page");
        if (path.startsWith("/page")) {
          Reply(socket, "200 OK", "Content-Type: text/html; charset=gbk\r\n",
                QByteArray::fromStdString(GbkFromText(u"北京晴")));
        }
      },
      certificate.Server());

  EXPECT_EQ(HttpFetch(secure.Url("/page"), true), u"北京晴");
  EXPECT_EQ(HttpFetch(secure.Url("/moved"), false), u"北京晴");
  EXPECT_EQ(HttpFetch(secure.Url("/down"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
  EXPECT_EQ(plain.connections(), 0);
}

TEST_F(HttpFetchTest, BodiesAreReadAsAnnouncedAndCutOnesFail) {
  ScriptedServer server([](QTcpSocket& socket, const QByteArray& request) {
    const QByteArray path = Path(request);
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n";
    if (path == "/chunked") socket.write(chunked + "5\r\npedia\r\n0\r\n\r\n");
    if (path == "/short") socket.write("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nWiki");
    if (path == "/cut") socket.write("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nWiki");
    socket.disconnectFromHost();
  });
  EXPECT_EQ(HttpFetch(server.Url("/chunked"), false), u"Wikipedia");
  EXPECT_EQ(HttpFetch(server.Url("/short"), false), u"Wiki");
  EXPECT_EQ(HttpFetch(server.Url("/cut"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
}

TEST_F(HttpFetchTest, AnEndlessBodyIsAbortedAtTheCap) {
  // Only the cap can end this transfer: the total time-out is longer than the suite's.
  SetHttpTimeoutsForTesting(0, 3600 * 1000);
  std::size_t sent = 0;
  ScriptedServer server([&](QTcpSocket& socket, const QByteArray&) {
    socket.write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    const QByteArray chunk = "100000\r\n" + QByteArray(0x100000, 'x') + "\r\n";
    auto more = [&socket, &sent, chunk] {
      if (socket.state() != QAbstractSocket::ConnectedState || socket.bytesToWrite() > 0) return;
      socket.write(chunk);
      sent += static_cast<std::size_t>(chunk.size());
    };
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, more);
    more();
  });
  EXPECT_EQ(HttpFetch(server.Url("/endless"), false), u"");
  EXPECT_TRUE(ResponseBytes().empty());
  EXPECT_GT(sent, kMaxBodyBytes);
}

// Restores a variable of the environment when it goes.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(HttpFetchTest, ProxiesComeFromTheEnvironment) {
  ScriptedServer proxy([](QTcpSocket& socket, const QByteArray& request) {
    if (request.startsWith("CONNECT "))
      Reply(socket, "403 Forbidden", "", "");
    else
      Reply(socket, "200 OK", "", "from the proxy");
  });
  PortalProcess portal;
  const ScopedVariable noProxy("no_proxy", "127.0.0.1");
  const ScopedVariable http("http_proxy", proxy.base());
  const ScopedVariable https("https_proxy", proxy.base());

  EXPECT_EQ(HttpFetch(u"http://weather.example.invalid/page.html", false), u"from the proxy");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_TRUE(proxy.requests()[0].startsWith("GET http://weather.example.invalid/page.html "));

  EXPECT_EQ(HttpFetch(u"https://secure.example.invalid/page.html", false), u"");
  ASSERT_EQ(proxy.requests().size(), 2u);
  EXPECT_TRUE(proxy.requests()[1].startsWith("CONNECT secure.example.invalid:443 "));

  // no_proxy: straight to the portal.
  EXPECT_NE(HttpFetch(Url(portal, "/static/html/weather_list.shtml"), false), u"");
  EXPECT_EQ(proxy.requests().size(), 2u);
}

TEST_F(HttpFetchTest, APostBodyGoesOutByteForByteAndOnlyA307Or308RedirectKeepsIt) {
  ScriptedServer server([](QTcpSocket& socket, const QByteArray& request) {
    const QByteArray path = Path(request);
    if (path == "/keep")
      Redirect(socket, "/echo", "307 Temporary Redirect");
    else if (path == "/get")
      Redirect(socket, "/echo", "302 Found");
    else
      Reply(socket, "200 OK", "", "done");
  });
  static const char kBody[] = "cityinfo=\xC9\xCF\xBA\xA3&x=\0\r\n end";
  const std::string body(kBody, sizeof kBody - 1);
  EXPECT_EQ(HttpPost(server.Url("/keep"), body, "application/x-www-form-urlencoded\r\nX: 1"),
            u"done");
  EXPECT_EQ(HttpPost(server.Url("/get"), body, "text/plain"), u"done");
  ASSERT_EQ(server.requests().size(), 4u);
  for (int i : {0, 1}) {
    const QByteArray& r = server.requests()[static_cast<std::size_t>(i)];
    EXPECT_TRUE(r.startsWith("POST ")) << r.toStdString();
    EXPECT_TRUE(r.endsWith("\r\n\r\n" + QByteArray::fromStdString(body)));
    // A line break in the type cannot add a header of its own.
    EXPECT_TRUE(r.contains("\r\nContent-Type: application/x-www-form-urlencodedX: 1\r\n"));
  }
  EXPECT_TRUE(server.requests()[3].startsWith("GET /echo "));
}

TEST_F(HttpFetchTest, AFetchStartedDuringAnotherOnesWaitFailsAndAnExitRequestEndsTheWait) {
  PortalProcess portal({"--fault", "/static/=delay:300", "--fault", "/slow=delay:60000"});
  const Text page = Url(portal, "/static/html/weather_list.shtml");
  Text nested = u"not run";
  bool waitingSeen = false;
  // A zero timer fires at the first turn of the event loop: inside the fetch's wait.
  QTimer::singleShot(0, [&] {
    waitingSeen = FetchWaiting();
    nested = HttpFetch(page, false);
  });
  const Text outer = HttpFetch(page, false);
  EXPECT_TRUE(waitingSeen);
  EXPECT_EQ(nested, u"");
  EXPECT_NE(outer, u"");
  EXPECT_EQ(FromUtf8(ResponseBytes()), outer);  // the nested call left them alone
  EXPECT_FALSE(FetchWaiting());

  // An exit asked for during a wait cancels it and runs before the fetch returns.
  std::vector<std::string> order;
  QTimer::singleShot(0, [&] {
    CancelFetchAndThen([&] { order.push_back("exit"); });
    CancelFetchAndThen([&] { order.push_back("second"); });
  });
  const Text cancelled = HttpFetch(Url(portal, "/slow"), false);
  order.push_back("returned");
  EXPECT_EQ(cancelled, u"");
  EXPECT_EQ(order, (std::vector<std::string>{"exit", "second", "returned"}));
}

TEST_F(HttpFetchTest, AWaitEndedFromOutsideGivesAFailureNeverPartOfTheBody) {
  // Half of a chunked body, then nothing: only the loop's end can stop the wait.
  ScriptedServer server([](QTcpSocket& socket, const QByteArray&) {
    socket.write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3e8\r\n" +
                 QByteArray(1000, 'x') + "\r\n");
  });
  // Once the first half has been read, the application asks every event loop to end.
  bool halfRead = false;
  QTimer::singleShot(0, [&] {
    QNetworkReply* reply = QCoreApplication::instance()->findChild<QNetworkReply*>();
    ASSERT_NE(reply, nullptr);
    QObject::connect(
        reply, &QNetworkReply::readyRead, reply,
        [&] {
          halfRead = true;
          QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
  });
  EXPECT_EQ(HttpFetch(server.Url("/half"), false), u"");
  EXPECT_TRUE(halfRead);
  EXPECT_TRUE(ResponseBytes().empty());
  // The application's own loop takes back the request to end, for the tests that follow.
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

TEST_F(HttpFetchTest, CommandsPutOffDuringAWaitRunAfterItInOrder) {
  PortalProcess portal({"--fault", "/static/=delay:300"});
  QObject context;
  std::vector<std::string> order;
  bool menuClosed = false;
  QTimer::singleShot(0, [&] {
    RunWhenReady(&context, nullptr, [&] { order.push_back(FetchWaiting() ? "in wait" : "a"); });
    RunWhenReady(
        &context, [&] { return menuClosed; },
        [&] { order.push_back(menuClosed ? "b" : "b too early"); });
    RunWhenReady(&context, nullptr, [&] { order.push_back("c"); });
    {
      QObject gone;
      RunWhenReady(&gone, nullptr, [&] { order.push_back("never"); });
    }
    // Ending the network during the wait cancels the fetch; the reply is not freed twice.
    EndNetwork();
  });
  EXPECT_EQ(HttpFetch(Url(portal, "/static/html/weather_list.shtml"), false), u"");
  EXPECT_TRUE(order.empty());
  // "b" may run once the menu has closed, and holds back what follows it until then.
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (order.size() == 1) menuClosed = true;
    if (order.size() >= 3) loop.quit();
  });
  poll.start(10);
  loop.exec();
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_NE(HttpFetch(Url(portal, "/static/html/weather_list.shtml"), false), u"");
}

}  // namespace
}  // namespace nimbulux
