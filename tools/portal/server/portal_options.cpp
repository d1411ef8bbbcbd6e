#include "server/portal_options.h"

#include <QStandardPaths>
#include <charconv>

namespace nimbulux::portal_server {

namespace {

std::optional<long long> Number(std::string_view s) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<PortalTime> ParseDate(const std::string& s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  const auto y = Number(std::string_view(s).substr(0, 4));
  const auto m = Number(std::string_view(s).substr(5, 2));
  const auto d = Number(std::string_view(s).substr(8, 2));
  if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1 || *d > 31) return std::nullopt;
  PortalTime t{static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d), 0};
  // Refuse dates such as 2026-02-30 rather than roll them over.
  const PortalTime check = AddDays(t, 0);
  if (check.month != t.month || check.day != t.day) return std::nullopt;
  return t;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& text) {
  const auto eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0 || text[0] != '/') return std::nullopt;
  Fault f;
  f.prefix = text.substr(0, eq);
  std::string kind = text.substr(eq + 1);
  std::string arg;
  if (const auto colon = kind.find(':'); colon != std::string::npos) {
    arg = kind.substr(colon + 1);
    kind = kind.substr(0, colon);
  }
  const auto value = Number(arg);
  if (kind == "close") {
    if (!arg.empty()) return std::nullopt;
    f.kind = Fault::Kind::kClose;
    return f;
  }
  if (!value || *value < 0) return std::nullopt;
  f.argument = *value;
  if (kind == "delay") {
    f.kind = Fault::Kind::kDelay;
  } else if (kind == "status") {
    if (*value < 100 || *value > 599) return std::nullopt;
    f.kind = Fault::Kind::kStatus;
  } else if (kind == "truncate") {
    f.kind = Fault::Kind::kTruncate;
  } else if (kind == "garbage") {
    f.kind = Fault::Kind::kGarbage;
  } else {
    return std::nullopt;
  }
  return f;
}

std::optional<PortalOptions> ParsePortalOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  PortalOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--port") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = Number(*v);
      if (!n || *n < 0 || *n > 65535) {
        error = "bad port: " + *v;
        return std::nullopt;
      }
      o.port = static_cast<int>(*n);
    } else if (a == "--bind") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.bind = *v;
    } else if (a == "--fixtures") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.fixturesDir = *v;
    } else if (a == "--date") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.fixedDate = ParseDate(*v);
      if (!o.fixedDate) {
        error = "bad date (YYYY-MM-DD): " + *v;
        return std::nullopt;
      }
    } else if (a == "--hour") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = Number(*v);
      if (!n || *n < 0 || *n > 23) {
        error = "bad hour (0-23): " + *v;
        return std::nullopt;
      }
      o.fixedHour = static_cast<int>(*n);
    } else if (a == "--fault") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto f = ParseFault(*v);
      if (!f) {
        error = "bad fault (PREFIX=KIND[:ARG]): " + *v;
        return std::nullopt;
      }
      o.faults.push_back(*f);
    } else if (a == "--source") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (*v == "demo") {
        o.source = PortalOptions::Source::kDemo;
      } else if (*v == "live") {
        o.source = PortalOptions::Source::kLive;
      } else {
        error = "bad source (demo or live): " + *v;
        return std::nullopt;
      }
    } else if (a == "--provider-url") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (v->rfind("http://", 0) != 0 && v->rfind("https://", 0) != 0) {
        error = "bad provider address (http:// or https://): " + *v;
        return std::nullopt;
      }
      o.providerUrl = *v;
      while (!o.providerUrl.empty() && o.providerUrl.back() == '/') o.providerUrl.pop_back();
    } else if (a == "--cache-dir" || a == "--data-dir") {
      const auto v = value();
      if (!v) return std::nullopt;
      (a == "--cache-dir" ? o.cacheDir : o.dataDir) = *v;
    } else if (a == "--upstream-timeout" || a == "--upstream-burst") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = Number(*v);
      if (!n || *n < 1 || *n > 3600) {
        error = "bad value for " + a + " (1-3600): " + *v;
        return std::nullopt;
      }
      (a == "--upstream-timeout" ? o.upstreamTimeoutSeconds : o.upstreamBurst) =
          static_cast<int>(*n);
    } else if (a == "--update-notice") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.updateNotice = *v;
    } else {
      error = "unknown option: " + a;
      return std::nullopt;
    }
  }
  return o;
}

PortalTime ReplyTime(const PortalOptions& options) {
  PortalTime t = CurrentPortalTime();
  if (options.fixedDate) {
    t.year = options.fixedDate->year;
    t.month = options.fixedDate->month;
    t.day = options.fixedDate->day;
  }
  if (options.fixedHour) t.hour = *options.fixedHour;
  return t;
}

std::string CacheFolder(const PortalOptions& options) {
  if (!options.cacheDir.empty()) return options.cacheDir;
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() +
         "/nimbulux-portal";
}

std::string DataFolder(const PortalOptions& options) {
  if (!options.dataDir.empty()) return options.dataDir;
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
         "/nimbulux-portal";
}

std::string PortalHelpText() {
  return R"(nimbulux-portal: the weather portal of Nimbulux.

Usage: nimbulux-portal [options]

Serves, for its directory of cities (and, in live mode, places found by name), with
demo weather generated from the city, date and hour, or live weather from Open-Meteo:
  GET  /data/sk/<code>.html                 real-time observation
  GET  /data/cityinfo/<code>.html           city summary
  GET  /html/weather/<code>.shtml           forecast page
  GET  /static/html/weather_list.shtml      city list page
  POST /static/url.php                      city search, body "cityinfo=" + name (UTF-8);
                                            names and lower-case pinyin match
  GET  /m/i/icon_weather/42x30/<code>.gif   weather icons d00..d31, n00..n31
  GET  /m/i/icon_weather/21x15/<code>.gif

and, for the update check of the widget (NIMBULUX_UPDATE_PAGE names the first):
  GET  /nimbulux/update.html                update page; it carries "url=" followed by
                                            the address of the notice below
  GET  /nimbulux/notice.txt                 the file given with --update-notice, sent
                                            byte for byte (GBK, three lines joined by
                                            CR LF); 404 without that option
  GET  /nimbulux/archive/<name>[?sig=S]     a demo archive whose body starts with the
                                            letters S (default "Rar!"); sig=none sends
                                            an HTML error page instead

Options:
  --source demo|live    demo (default): generated weather, no network needed.
                        live: observations, forecasts and air quality from
                        Open-Meteo (https://open-meteo.com/), weather and air-quality
                        data licensed CC BY 4.0
                        (https://creativecommons.org/licenses/by/4.0/). At most one
                        forecast request per city per 15 minutes and one air-quality
                        request per city per hour, replies cached on disk; a
                        reply on hand is served at once and, when older, refreshed in
                        the background. When the service fails the last good reply is
                        served for up to 6 hours, then the weather routes answer 503.
                        Names outside the directory are looked up with Open-Meteo's
                        place search (China only) and keep the code they are given;
                        searches have a budget of their own (5 at once, then one per
                        10 seconds), and one that cannot be made answers 503.
  --provider-url URL    base address used instead of https://api.open-meteo.com,
                        https://geocoding-api.open-meteo.com and
                        https://air-quality-api.open-meteo.com (for tests); replies and
                        places found with it are kept apart, in a sub-folder
                        provider-<digest of URL> of the cache and data folders
  --cache-dir DIR       live replies (default $XDG_CACHE_HOME/nimbulux-portal)
  --data-dir DIR        codes of places found by name (default
                        $XDG_DATA_HOME/nimbulux-portal)
  --upstream-timeout S  time limit of each request to the service (default 8 s); a
                        page whose city has no reply on hand waits for it at most
                        this long plus a second, and never more than 10 s
  --upstream-burst N    requests to the service at once before the global limit of
                        one per 10 seconds applies (default 30)
  --port N              port to listen on (0 = any free port; default 8086)
  --bind ADDR           address to listen on (default 127.0.0.1)
  --quiet               no request log on stderr
  --fixtures DIR        a file DIR/<request path> is served verbatim instead of the
                        generated reply; DIR/<request path>.content-type, when present,
                        holds the Content-Type sent with it
  --date YYYY-MM-DD     generate the weather for this date (default: today); in live
                        mode, the day the pages count as today (default: today in China)
  --hour H              ... and this hour, 0-23 (default: the current hour)
  --fault PREFIX=KIND[:ARG]
                        inject a fault into every reply whose path begins with PREFIX
                        (repeatable; all matching faults apply, in order):
                          delay:MS       wait MS milliseconds before replying
                          status:CODE    send the reply with status CODE
                          truncate:BYTES announce the whole body, send its first BYTES
                                         bytes, then close the connection
                          garbage:BYTES  send BYTES bytes of noise as the body
                          close          close the connection halfway through the body
  --update-notice FILE  the update notice served by the update routes
  --help                this text

Once listening it prints "PORT <n>" on stdout. It logs one line per request on stderr
and ends on SIGTERM or SIGINT.
)";
}

}  // namespace nimbulux::portal_server
