#include "server/portal_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "demo/demo_pages.h"
#include "pages/forecast_page.h"
#include "pages/portal_icons.h"
#include "pages/portal_replies.h"
#include "server/live_routes.h"
#include "server/page_compression.h"
#include "server/update_routes.h"

namespace nimbulux::portal_server {

namespace {

std::atomic<bool> g_stopping{false};

// Where the client's Accept-Encoding is kept once the HTTP library no longer sees it.
constexpr char kClientEncodings[] = "X-Nimbulux-Client-Accept-Encoding";

// Debian's cpp-httplib compresses every text reply itself, with brotli at quality 11
// for any client that accepts br (about 150 ms of CPU for a forecast page), and offers no
// setting for it. The header is taken from the library before routing, so that it sends
// bodies as they are, and SetTextReply compresses instead. The request object is the
// library's own, not a constant one: only its interface hands it over as const.
void TakeAcceptEncoding(const httplib::Request& req) {
  auto& headers = const_cast<httplib::Request&>(req).headers;
  std::string accepted;
  const auto [first, last] = headers.equal_range("Accept-Encoding");
  for (auto it = first; it != last; ++it) accepted += (accepted.empty() ? "" : ",") + it->second;
  headers.erase("Accept-Encoding");
  headers.erase(kClientEncodings);
  if (!accepted.empty()) headers.emplace(kClientEncodings, accepted);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void NotFound(httplib::Response& res) {
  res.status = 404;
  res.set_content(
      "<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1></body></html>\n",
      kHtmlUtf8);
}

// Icons are drawn on first request and kept: drawing all 128 at start-up would slow
// every test that starts the server.
std::string CachedIcon(const std::string& size, const std::string& code) {
  static std::mutex mutex;
  static std::map<std::string, std::string> cache;
  const std::lock_guard lock(mutex);
  const std::string key = size + "/" + code;
  auto it = cache.find(key);
  if (it == cache.end()) {
    const bool large = size == "42x30";
    it = cache.emplace(key, WeatherIconGif(code, large ? 42 : 21, large ? 30 : 15)).first;
  }
  return it->second;
}

std::string ContentTypeForFixture(const std::filesystem::path& file) {
  std::filesystem::path sidecar = file;
  sidecar += ".content-type";
  if (auto declared = ReadWholeFile(sidecar)) {
    while (!declared->empty() && (declared->back() == '\n' || declared->back() == '\r'))
      declared->pop_back();
    return *declared;
  }
  const std::string ext = file.extension().string();
  if (ext == ".gif") return "image/gif";
  if (ext == ".ico") return "image/x-icon";
  return kHtmlUtf8;
}

// Serves DIR/<path> verbatim when it exists. Paths that climb out of DIR are refused.
bool ServeFixture(const std::string& dir, const httplib::Request& req, httplib::Response& res) {
  if (dir.empty() || req.path.empty() || req.path[0] != '/' ||
      req.path.find("..") != std::string::npos) {
    return false;
  }
  const std::filesystem::path file = std::filesystem::path(dir) / req.path.substr(1);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  const auto body = ReadWholeFile(file);
  if (!body) return false;
  res.status = 200;
  res.set_content(*body, ContentTypeForFixture(file).c_str());
  return true;
}

std::string Garbage(std::size_t n) {
  std::string s(n, '\0');
  std::uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  return s;
}

void ApplyFaults(const std::vector<Fault>& faults, const httplib::Request& req,
                 httplib::Response& res) {
  for (const Fault& f : faults) {
    if (req.path.compare(0, f.prefix.size(), f.prefix) != 0) continue;
    switch (f.kind) {
      case Fault::Kind::kDelay: {
        // In slices, so that stopping the server need not wait for a long delay.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(f.argument);
        while (!g_stopping && std::chrono::steady_clock::now() < until) {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        break;
      }
      case Fault::Kind::kStatus:
        res.status = static_cast<int>(f.argument);
        break;
      case Fault::Kind::kTruncate: {
        // Announce the whole body, send its first bytes, then drop the connection: a
        // reply cut short on the way.
        const std::string full = std::move(res.body);
        res.body.clear();
        const std::size_t sent = std::min(full.size(), static_cast<std::size_t>(f.argument));
        const std::string type = res.get_header_value("Content-Type");
        res.headers.erase("Content-Type");
        res.set_content_provider(full.size(), type.c_str(),
                                 [full, sent](std::size_t, std::size_t, httplib::DataSink& sink) {
                                   sink.write(full.data(), sent);
                                   return false;
                                 });
        break;
      }
      case Fault::Kind::kGarbage:
        // The library has announced the reply's length and encoding by now: the noise is
        // announced as what it is.
        res.body = Garbage(static_cast<std::size_t>(f.argument));
        res.headers.erase("Content-Encoding");
        res.headers.erase("Content-Length");
        res.set_header("Content-Length", std::to_string(res.body.size()));
        break;
      case Fault::Kind::kClose: {
        // Announce the whole body, send half of it, then drop the connection. The server
        // announces the provider's length itself.
        const std::string full = std::move(res.body);
        res.body.clear();
        const std::string type = res.get_header_value("Content-Type");
        res.headers.erase("Content-Type");
        res.set_content_provider(full.size() + 1, type.c_str(),
                                 [full](std::size_t, std::size_t, httplib::DataSink& sink) {
                                   sink.write(full.data(), full.size() / 2);
                                   return false;
                                 });
        break;
      }
    }
  }
}

void AddDemoWeatherRoutes(httplib::Server& server, const PortalOptions& o) {
  server.Get(R"(/data/sk/(\d+)\.html)", [o](const httplib::Request& req, httplib::Response& res) {
    const City* city = FindCityByCode(req.matches[1].str());
    if (city == nullptr) return NotFound(res);
    SetTextReply(req, res, ConditionsReply(*city, ReplyTime(o)));
  });
  server.Get(R"(/data/cityinfo/(\d+)\.html)",
             [o](const httplib::Request& req, httplib::Response& res) {
               const City* city = FindCityByCode(req.matches[1].str());
               if (city == nullptr) return NotFound(res);
               SetTextReply(req, res, CitySummaryReply(*city, ReplyTime(o)));
             });
  server.Get(R"(/html/weather/(\d+)\.shtml)",
             [o](const httplib::Request& req, httplib::Response& res) {
               const City* city = FindCityByCode(req.matches[1].str());
               if (city == nullptr) return NotFound(res);
               SetTextReply(req, res, ForecastPageHtml(*city, ReplyTime(o)));
             });
  server.Get("/static/html/weather_list.shtml",
             [](const httplib::Request& req, httplib::Response& res) {
               SetTextReply(req, res, CityListPage());
             });
  server.Post("/static/url.php", [](const httplib::Request& req, httplib::Response& res) {
    SetTextReply(req, res, SearchReply(req.body));
  });
}

}  // namespace

void SetTextReply(const httplib::Request& req, httplib::Response& res, const std::string& body,
                  const char* contentType) {
  static CompressedPages pages;
  res.set_header("Vary", "Accept-Encoding");
  if (AcceptsGzip(req.get_header_value(kClientEncodings))) {
    if (const auto gzip = pages.Get(req.path, body)) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(*gzip, contentType);
      return;
    }
  }
  res.set_content(body, contentType);
}

void EndPendingDelays() { g_stopping = true; }

void SetUpPortal(httplib::Server& server, const PortalOptions& options) {
  const PortalOptions o = options;

  server.set_pre_routing_handler([o](const httplib::Request& req, httplib::Response& res) {
    TakeAcceptEncoding(req);
    return ServeFixture(o.fixturesDir, req, res) ? httplib::Server::HandlerResponse::Handled
                                                 : httplib::Server::HandlerResponse::Unhandled;
  });

  if (o.source == PortalOptions::Source::kLive) {
    AddLiveWeatherRoutes(server, o, std::make_shared<LiveSource>(LiveSourceOptionsFrom(o)));
  } else {
    AddDemoWeatherRoutes(server, o);
  }
  server.Get(R"(/m/i/icon_weather/(42x30|21x15)/([dn]\d\d)\.gif)",
             [](const httplib::Request& req, httplib::Response& res) {
               const std::string code = req.matches[2].str();
               if (!IsIconCode(code)) return NotFound(res);
               res.set_content(CachedIcon(req.matches[1].str(), code), "image/gif");
             });

  AddUpdateRoutes(server, o.updateNotice);

  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (res.status == 404 && res.body.empty()) NotFound(res);
  });

  if (!o.faults.empty()) {
    server.set_post_routing_handler([o](const httplib::Request& req, httplib::Response& res) {
      ApplyFaults(o.faults, req, res);
    });
  }

  if (!o.quiet) {
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
      std::fprintf(stderr, "%s %s %d %zu\n", req.method.c_str(), req.path.c_str(), res.status,
                   res.body.size());
    });
  }
}

}  // namespace nimbulux::portal_server
