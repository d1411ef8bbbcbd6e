#include "net/http_fetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/gbk.h"
#include "net/fetch_wait.h"

namespace nimbulux {

namespace {

long g_connectMs = kConnectTimeoutMs;
long g_totalMs = kTotalTimeoutMs;
std::string g_lastUrl;
std::uint64_t g_answered = 0;

// EndNetwork asked for while a fetch waits: done once the wait is over, since the
// waiting reply belongs to the manager.
bool g_endNetworkAfterWait = false;

// One manager for the whole run, made on first use on the application's thread.
QPointer<QNetworkAccessManager> g_manager;

QNetworkAccessManager& Manager() {
  if (g_manager.isNull()) {
    // http_proxy, https_proxy and no_proxy from the environment.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    g_manager = new QNetworkAccessManager(QCoreApplication::instance());
  }
  return *g_manager;
}

// Reseeded from the clock on every call, so that successive fetches draw fresh
// numbers; the counter keeps two calls in the same clock tick apart.
long RandomQueryNumber() {
  static unsigned counter = 0;
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::mt19937 generator(static_cast<unsigned>(now) ^ (++counter * 2654435761u));
  const double r = std::uniform_real_distribution<double>(0.0, 1.0)(generator);
  const long n = static_cast<long>(std::floor(r * 9999 + 1));
  return std::clamp(n, 1L, 9999L);
}

// The charset parameter of a Content-Type value, lower case, without quotes.
std::string DeclaredCharset(const QByteArray& contentType) {
  const std::string type = contentType.toLower().toStdString();
  const auto at = type.find("charset=");
  if (at == std::string::npos) return {};
  std::string value = type.substr(at + 8);
  const auto end = value.find_first_of("; \t");
  if (end != std::string::npos) value.resize(end);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

Text Latin1(std::string_view bytes) {
  Text t;
  t.reserve(bytes.size());
  for (unsigned char c : bytes) t.push_back(static_cast<char16_t>(c));
  return t;
}

Text Decode(std::string_view bytes, const std::string& charset) {
  if (charset == "utf-8" || charset == "utf8") return FromUtf8(bytes);
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" ||
      charset == "x-gbk") {
    return TextFromGbk(bytes);
  }
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") return Latin1(bytes);
  // None declared (or one we do not know): the portal's pages are UTF-8 or GBK.
  return IsValidUtf8(bytes) ? FromUtf8(bytes) : TextFromGbk(bytes);
}

bool IsWebUrl(const QUrl& url) {
  return url.isValid() && !url.host().isEmpty() &&
         (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// An address without "scheme://" is taken as http.
QUrl ToUrl(const std::string& address) {
  const std::string full = address.find("://") == std::string::npos ? "http://" + address : address;
  return QUrl(QString::fromStdString(full), QUrl::TolerantMode);
}

// Errors that only restate the HTTP status: the reply and its body still count.
bool CountsAsReply(QNetworkReply::NetworkError e) {
  return e == QNetworkReply::NoError ||
         (e >= QNetworkReply::ContentAccessDenied && e <= QNetworkReply::UnknownContentError) ||
         e == QNetworkReply::ProtocolInvalidOperationError ||
         (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError);
}

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct Request {
  QUrl url;
  bool post = false;
  QByteArray body;
  QByteArray contentType;
};

struct Reply {
  bool ok = false;
  int status = 0;
  QByteArray location;
  QByteArray contentType;
  std::string body;
};

// Appends a piece of the body unless that passes the cap.
bool Collect(std::string& body, const QByteArray& piece) {
  if (body.size() + static_cast<std::size_t>(piece.size()) > kMaxBodyBytes) return false;
  body.append(piece.constData(), static_cast<std::size_t>(piece.size()));
  return true;
}

// One request without following redirects, waiting at most millisecondsLeft.
Reply Exchange(const Request& request, long millisecondsLeft, FetchWait& wait) {
  Reply result;
  if (wait.Cancelled()) return result;
  QNetworkRequest r(request.url);
  r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  // No cookie store and no cache of the program's own.
  r.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
  r.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
  r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  if (request.post && !request.contentType.isEmpty()) {
    r.setRawHeader("Content-Type", request.contentType);
  }
  QNetworkAccessManager& manager = Manager();
  const std::unique_ptr<QNetworkReply> reply(request.post ? manager.post(r, request.body)
                                                          : manager.get(r));
  wait.SetAbort([late = QPointer<QNetworkReply>(reply.get())] {
    if (!late.isNull()) late->abort();
  });

  bool givenUp = false;
  QEventLoop loop;
  QTimer connectTimer;
  QTimer totalTimer;
  // Aborted from the event loop, not from inside one of the reply's own signals.
  auto giveUp = [&] {
    if (givenUp) return;
    givenUp = true;
    QMetaObject::invokeMethod(reply.get(), &QNetworkReply::abort, Qt::QueuedConnection);
  };
  connectTimer.setSingleShot(true);
  totalTimer.setSingleShot(true);
  QObject::connect(&connectTimer, &QTimer::timeout, &loop, giveUp);
  QObject::connect(&totalTimer, &QTimer::timeout, &loop, giveUp);
  // Once the request is out the connection stands; only the total limit remains.
  QObject::connect(reply.get(), &QNetworkReply::requestSent, &loop, [&] { connectTimer.stop(); });
  QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
    connectTimer.stop();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toULongLong() > kMaxBodyBytes) giveUp();
  });
  // Read as it arrives, so that Qt never buffers more than the cap.
  QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
    if (!givenUp && !Collect(result.body, reply->readAll())) giveUp();
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

  connectTimer.start(static_cast<int>(std::min(g_connectMs, millisecondsLeft)));
  totalTimer.start(static_cast<int>(millisecondsLeft));
  if (!reply->isFinished()) wait.Run(loop);
  wait.SetAbort({});

  if (!givenUp && reply->isOpen() && !Collect(result.body, reply->readAll())) givenUp = true;
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid()) ++g_answered;
  // Never hand on half a reply. Qt reports most cut replies as errors, but one whose
  // connection closes while its body is awaited can come out as complete: the length
  // it announced is checked here too (for an unencoded body, which Qt hands on as is).
  const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
  const bool cutShort = length.isValid() && reply->rawHeader("Content-Encoding").isEmpty() &&
                        length.toULongLong() != result.body.size();
  // A loop ended from outside (the application asking every loop to end) leaves the
  // reply unfinished, its body possibly cut: that is a failure too.
  result.ok = !givenUp && !wait.Cancelled() && reply->isFinished() && !cutShort &&
              status.isValid() && CountsAsReply(reply->error());
  result.status = status.toInt();
  result.location = reply->rawHeader("Location");
  result.contentType = reply->rawHeader("Content-Type");
  return result;
}

struct Transfer {
  bool ok = false;
  std::string body;
  std::string charset;
};

// Follows redirects: a POST becomes a GET without body after 301, 302 and 303, and stays a
// POST after 307 and 308.
Transfer Follow(Request request, FetchWait& wait) {
  Transfer transfer;
  QElapsedTimer clock;
  clock.start();
  for (int redirects = 0;; ++redirects) {
    if (!IsWebUrl(request.url)) return transfer;
    const long left = g_totalMs - static_cast<long>(clock.elapsed());
    if (left <= 0) return transfer;
    Reply reply = Exchange(request, left, wait);
    if (!reply.ok) return transfer;
    if (IsFollowedRedirect(reply.status) && !reply.location.isEmpty()) {
      if (redirects == kMaxRedirects) return transfer;
      const QUrl next = request.url.resolved(QUrl::fromEncoded(reply.location.trimmed()));
      // A plain-http hop after https would let anyone on the path answer instead.
      if (request.url.scheme() == QLatin1String("https") &&
          next.scheme() != QLatin1String("https")) {
        return transfer;
      }
      if (request.post && reply.status != 307 && reply.status != 308) {
        request.post = false;
        request.body.clear();
        request.contentType.clear();
      }
      request.url = next;
      continue;
    }
    transfer.ok = true;
    transfer.body = std::move(reply.body);
    transfer.charset = DeclaredCharset(reply.contentType);
    return transfer;
  }
}

// One request; the body lands in ResponseBytes(). Returns the text, empty on failure.
Text Perform(const std::string& url, const std::string* postBody, std::string_view contentType) {
  // A fetch started from the event loop of another wait: that one owns the network and
  // ResponseBytes until it returns.
  if (FetchWaiting() || QCoreApplication::instance() == nullptr) return {};
  ResponseBytes().clear();
  g_lastUrl = url;
  Request request;
  request.url = ToUrl(url);
  if (postBody != nullptr) {
    request.post = true;
    request.body = QByteArray::fromStdString(*postBody);
    std::string type(contentType);
    std::erase_if(type, [](char c) { return c == '\r' || c == '\n'; });
    request.contentType = QByteArray::fromStdString(type);
  }

  Transfer transfer;
  {
    FetchWait wait;
    transfer = Follow(std::move(request), wait);
  }
  if (g_endNetworkAfterWait) EndNetwork();
  if (!transfer.ok) return {};
  ResponseBytes() = std::move(transfer.body);
  return Decode(ResponseBytes(), transfer.charset);
}

}  // namespace

std::string& ResponseBytes() {
  static std::string bytes;
  return bytes;
}

Text HttpFetch(TextView url, bool bypassCache) {
  std::string target = ToUtf8(url);
  if (bypassCache) target.append("?").append(std::to_string(RandomQueryNumber()));
  return Perform(target, nullptr, {});
}

Text HttpPost(TextView url, std::string_view body, std::string_view contentType) {
  const std::string payload(body);
  return Perform(ToUtf8(url), &payload, contentType);
}

void SetHttpTimeoutsForTesting(long connectMs, long totalMs) {
  g_connectMs = connectMs > 0 ? connectMs : kConnectTimeoutMs;
  g_totalMs = totalMs > 0 ? totalMs : kTotalTimeoutMs;
}

long TotalTimeoutMs() { return g_totalMs; }

const std::string& LastRequestedUrl() { return g_lastUrl; }

std::uint64_t AnsweredRequestCount() { return g_answered; }

void EndNetwork() {
  if (FetchWaiting()) {
    g_endNetworkAfterWait = true;
    CancelFetchAndThen([] {});
    return;
  }
  g_endNetworkAfterWait = false;
  delete g_manager.data();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace nimbulux
