#include "live/live_source.h"

#include <QCryptographicHash>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace nimbulux::portal_server {

namespace {

std::string Coordinate(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// Blanks around a typed name (ASCII and ideographic) are not part of it.
std::string WithoutBlanks(const std::string& s) {
  std::string_view v = s;
  for (;;) {
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t')) {
      v.remove_prefix(1);
    } else if (!v.empty() && (v.back() == ' ' || v.back() == '\t')) {
      v.remove_suffix(1);
    } else if (v.starts_with("\u3000")) {
      v.remove_prefix(3);
    } else if (v.ends_with("\u3000")) {
      v.remove_suffix(3);
    } else {
      return std::string(v);
    }
  }
}

}  // namespace

std::string ProviderSubfolder(const std::string& providerUrl) {
  if (providerUrl.empty()) return "";
  const QByteArray digest =
      QCryptographicHash::hash(QByteArray::fromStdString(providerUrl), QCryptographicHash::Sha256);
  return "/provider-" + digest.toHex().left(16).toStdString();
}

void LiveLog(const std::string& line) {
  std::fprintf(stderr, "nimbulux-portal: %s\n", line.c_str());
}

LiveSource::LiveSource(LiveSourceOptions options)
    : options_(std::move(options)),
      forecastKind_{"forecast", options_.policy,
                    [](const std::string& body) { return ParseForecastReply(body).has_value(); }},
      limiter_(options_.burst, options_.refillInterval),
      searchLimiter_(options_.searchBurst, options_.searchRefillInterval),
      places_(options_.placeFile, options_.geocodingBase),
      air_(options_.cacheDir, options_.airQualityPolicy, &WallClockSeconds, &LiveLog,
           [this](const std::string& url) { return FetchAirQuality(url); }),
      cache_(options_.cacheDir, &WallClockSeconds, &LiveLog, options_.waits) {}

FetchOutcome LiveSource::FetchAirQuality(const std::string& url) {
  FetchOutcome outcome;
  if (!limiter_.TryTake()) {
    outcome.why = "over the request rate limit";
    return outcome;
  }
  outcome.attempted = true;
  UpstreamReply reply = UpstreamGet(url, options_.limits);
  if (!reply.ok) {
    outcome.why = reply.error;
  } else if (!ParseAirQualityReply(reply.body)) {
    outcome.why = "not an air-quality reply";
  } else {
    outcome.body = std::move(reply.body);
  }
  return outcome;
}

std::chrono::steady_clock::time_point LiveSource::PrepareAirQuality(const City& city) {
  air_.Prepare(city.code, AirQualityUrl(options_.airQualityBase, city.latitude, city.longitude));
  return std::chrono::steady_clock::now() + options_.airQualityWait;
}

std::optional<ChinaAqi> LiveSource::AirQuality(const City& city, const ChinaClock& now,
                                               std::chrono::steady_clock::time_point until) {
  const PortalTime& t = now.time;
  return air_.For(city.code, AirQualityUrl(options_.airQualityBase, city.latitude, city.longitude),
                  DayNumber(PortalTime{t.year, t.month, t.day, 0}), t.hour, until);
}

std::optional<City> LiveSource::FindCity(const std::string& code) const {
  if (const City* c = FindCityByCode(code)) return *c;
  return places_.Find(code);
}

std::string LiveSource::ForecastUrl(const City& city) const {
  return options_.forecastBase + "/v1/forecast?latitude=" + Coordinate(city.latitude) +
         "&longitude=" + Coordinate(city.longitude) +
         "&current=temperature_2m,relative_humidity_2m,weather_code,wind_speed_10m,"
         "wind_direction_10m,is_day,surface_pressure"
         "&daily=weather_code,temperature_2m_max,temperature_2m_min,sunrise,sunset,"
         "wind_speed_10m_max,wind_direction_10m_dominant,uv_index_max"
         "&hourly=weather_code,temperature_2m,wind_speed_10m,wind_direction_10m"
         // Eight days, so that the seventh day's night (to 07:59 of the eighth) is covered.
         "&timezone=Asia%2FShanghai&forecast_days=8";
}

std::string LiveSource::SearchUrl(const std::string& name) const {
  return options_.geocodingBase + "/v1/search?name=" + QueryValue(name) +
         "&count=10&language=zh&format=json&countryCode=CN";
}

FetchOutcome LiveSource::FetchForecast(const City& city) {
  FetchOutcome outcome;
  if (!limiter_.TryTake()) {
    outcome.why = "over the request rate limit";
    return outcome;
  }
  outcome.attempted = true;
  UpstreamReply reply = UpstreamGet(ForecastUrl(city), options_.limits);
  if (!reply.ok) {
    outcome.why = reply.error;
  } else if (!ParseForecastReply(reply.body)) {
    outcome.why = "not a forecast reply";
  } else {
    LiveLog("fetched the forecast of " + city.name + " (" + city.code + ")");
    outcome.body = std::move(reply.body);
  }
  return outcome;
}

std::optional<LiveForecast> LiveSource::Forecast(const City& city) {
  const auto reply = cache_.Get(forecastKind_, city.code, ForecastUrl(city),
                                [this, city] { return FetchForecast(city); });
  if (!reply) return std::nullopt;
  // A reply with eight days of hours costs more to read than a page costs to write: it is
  // read once, not on every request.
  {
    const std::lock_guard lock(translatedMutex_);
    const auto it = translated_.find(city.code);
    if (it != translated_.end() && it->second.fetchedAt == reply->fetchedAt) {
      return *it->second.forecast;
    }
  }
  auto forecast = ParseForecastReply(reply->body);
  if (!forecast) return std::nullopt;
  const std::lock_guard lock(translatedMutex_);
  translated_[city.code] =
      Translated{reply->fetchedAt, std::make_shared<const LiveForecast>(*forecast)};
  return forecast;
}

PlaceAnswer LiveSource::ResolvePlace(const std::string& typed) {
  using Kind = PlaceAnswer::Kind;
  const std::string name = WithoutBlanks(typed);
  if (name.empty()) return {Kind::kNoSuchPlace, ""};
  if (const City* c = FindCityByName(name)) return {Kind::kFound, c->code};
  if (auto code = places_.CodeForName(name)) return {Kind::kFound, *code};
  const std::int64_t now = WallClockSeconds();
  {
    // A name that found nothing is not asked again within the refresh period.
    const std::lock_guard lock(missesMutex_);
    const auto miss = misses_.find(name);
    if (miss != misses_.end() && now - miss->second >= 0 &&
        now - miss->second < options_.policy.refreshSeconds) {
      return {Kind::kNoSuchPlace, ""};
    }
  }
  if (!searchLimiter_.TryTake()) {
    LiveLog("place search for " + name + " not made: over the search rate limit");
    return {Kind::kCannotSearch, ""};
  }
  const UpstreamReply reply = UpstreamGet(SearchUrl(name), options_.limits);
  const auto places = reply.ok ? ParsePlaceSearchReply(reply.body) : std::nullopt;
  if (!places) {
    LiveLog("place search for " + name +
            " failed: " + (reply.ok ? std::string("not a search reply") : reply.error));
    return {Kind::kCannotSearch, ""};
  }
  if (places->empty()) {
    const std::lock_guard lock(missesMutex_);
    misses_[name] = now;
    return {Kind::kNoSuchPlace, ""};
  }
  // A directory city found under another spelling keeps its own code.
  const Place& found = places->front();
  if (const City* c = FindCityByName(found.name); c != nullptr &&
                                                  std::abs(c->latitude - found.latitude) < 0.5 &&
                                                  std::abs(c->longitude - found.longitude) < 0.5) {
    return {Kind::kFound, c->code};
  }
  const std::string code = places_.Remember(name, found);
  LiveLog("place " + name + " is " + found.name + " " + found.admin1 + " (" + code + ")");
  return {Kind::kFound, code};
}

}  // namespace nimbulux::portal_server
