#include "server/live_routes.h"

#include "pages/forecast_page.h"
#include "pages/portal_replies.h"
#include "server/portal_server.h"

namespace nimbulux::portal_server {

namespace {

ChinaClock LiveClock(const PortalOptions& o) {
  ChinaClock c = ChinaNow();
  if (o.fixedDate) {
    c.time.year = o.fixedDate->year;
    c.time.month = o.fixedDate->month;
    c.time.day = o.fixedDate->day;
  }
  if (o.fixedHour) {
    c.time.hour = *o.fixedHour;
    c.minute = 0;
  }
  return c;
}

void Unavailable(httplib::Response& res) {
  res.status = 503;
  res.set_header("Retry-After", "600");
  // No commas, colons or page markers: every reader takes this as no data.
  res.set_content(
      "<html><head><title>503 Service Unavailable</title></head><body>"
      "<h1>503 Service Unavailable</h1><p>No weather data at hand now</p></body></html>\n",
      kHtmlUtf8);
}

void NotFound(httplib::Response& res) {
  res.status = 404;
  res.set_content(
      "<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1></body></html>\n",
      kHtmlUtf8);
}

using WeatherHandler = std::function<void(const City&, const LiveForecast&, const ChinaClock&,
                                          const httplib::Request&, httplib::Response&)>;

httplib::Server::Handler CityRoute(const PortalOptions& o, std::shared_ptr<LiveSource> source,
                                   WeatherHandler write) {
  return [o, source, write](const httplib::Request& req, httplib::Response& res) {
    const std::optional<City> city = source->FindCity(req.matches[1].str());
    if (!city) return NotFound(res);
    const std::optional<LiveForecast> forecast = source->Forecast(*city);
    if (!forecast) return Unavailable(res);
    write(*city, *forecast, LiveClock(o), req, res);
  };
}

}  // namespace

LiveSourceOptions LiveSourceOptionsFrom(const PortalOptions& o) {
  LiveSourceOptions l;
  if (!o.providerUrl.empty()) {
    l.forecastBase = l.geocodingBase = l.airQualityBase = o.providerUrl;
  }
  l.cacheDir = CacheFolder(o) + ProviderSubfolder(o.providerUrl);
  l.placeFile = DataFolder(o) + ProviderSubfolder(o.providerUrl) + "/places.json";
  l.limits.totalSeconds = o.upstreamTimeoutSeconds;
  l.limits.connectSeconds = std::min(5, o.upstreamTimeoutSeconds);
  // A city with no reply waits for its request, which libcurl ends at the time-out, but
  // never so long that the widget (15 s) gives up first.
  l.waits.wait = std::chrono::seconds(std::min(o.upstreamTimeoutSeconds + 1, 10));
  l.waits.waiters = kMostWaitingThreads;
  l.burst = o.upstreamBurst;
  return l;
}

void AddLiveWeatherRoutes(httplib::Server& server, const PortalOptions& o,
                          std::shared_ptr<LiveSource> source) {
  server.Get(R"(/data/sk/(\d+)\.html)",
             CityRoute(o, source,
                       [](const City& city, const LiveForecast& f, const ChinaClock&,
                          const httplib::Request& req, httplib::Response& res) {
                         SetTextReply(req, res, ConditionsReply(city, f.now, kShortDataCredit));
                       }));
  server.Get(R"(/data/cityinfo/(\d+)\.html)",
             CityRoute(o, source,
                       [](const City& city, const LiveForecast& f, const ChinaClock& now,
                          const httplib::Request& req, httplib::Response& res) {
                         const LivePageValues v = PageValuesFor(f, now);
                         SetTextReply(
                             req, res,
                             CitySummaryReply(city, v.weather.days[0], now.time, kShortDataCredit));
                       }));
  // The forecast page asks for the city's air quality before it waits for the forecast,
  // so that the two waits overlap.
  server.Get(R"(/html/weather/(\d+)\.shtml)", [o, source](const httplib::Request& req,
                                                          httplib::Response& res) {
    const std::optional<City> city = source->FindCity(req.matches[1].str());
    if (!city) return NotFound(res);
    const auto airUntil = source->PrepareAirQuality(*city);
    const std::optional<LiveForecast> forecast = source->Forecast(*city);
    if (!forecast) return Unavailable(res);
    const ChinaClock now = LiveClock(o);
    LivePageValues v = PageValuesFor(*forecast, now, source->AirQuality(*city, now, airUntil));
    ForecastPageInput in;
    in.city = *city;
    in.time = now.time;
    in.night = v.night;
    in.nightWord = v.nightWord;
    in.weather = std::move(v.weather);
    in.dateNotes = std::move(v.notes);
    in.credit = kDataCredit;
    SetTextReply(req, res, ForecastPageHtml(in));
  });
  server.Get("/static/html/weather_list.shtml",
             [](const httplib::Request& req, httplib::Response& res) {
               SetTextReply(req, res, CityListPage(kDataCredit));
             });
  server.Post("/static/url.php", [source](const httplib::Request& req, httplib::Response& res) {
    const PlaceResolver resolve = [source](const std::string& name) -> std::optional<std::string> {
      const PlaceAnswer answer = source->ResolvePlace(name);
      if (answer.kind == PlaceAnswer::Kind::kCannotSearch) return std::nullopt;
      return answer.code;
    };
    const std::optional<std::string> reply = SearchReply(req.body, resolve, kShortDataCredit);
    if (!reply) return Unavailable(res);
    SetTextReply(req, res, *reply);
  });
}

}  // namespace nimbulux::portal_server
