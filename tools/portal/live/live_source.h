// The live source of the portal: cities of the directory and of the place search, and
// their weather from Open-Meteo through the cache and the global rate limit.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "live/air_quality_source.h"
#include "live/live_translate.h"
#include "live/place_codes.h"
#include "live/rate_limiter.h"
#include "live/reply_cache.h"
#include "live/upstream_client.h"

namespace nimbulux::portal_server {

// Open-Meteo's data (weather and air quality) is licensed CC BY 4.0, which asks for
// this credit.
inline constexpr char kDataCredit[] =
    "天气与空气质量数据来源 Weather and air-quality data by Open-Meteo.com "
    "(https://open-meteo.com/), licensed CC BY 4.0 (https://creativecommons.org/licenses/by/4.0/)";
// The same without commas, for replies that the readers split at commas.
inline constexpr char kShortDataCredit[] =
    "Weather and air-quality data by Open-Meteo.com (CC BY 4.0)";

struct LiveSourceOptions {
  std::string forecastBase = "https://api.open-meteo.com";
  std::string geocodingBase = "https://geocoding-api.open-meteo.com";
  std::string airQualityBase = "https://air-quality-api.open-meteo.com";
  std::string cacheDir;   // the service's replies
  std::string placeFile;  // codes of searched places
  UpstreamLimits limits;
  // Background requests (forecasts): this many at once, then one per refill interval.
  int burst = 30;
  std::chrono::milliseconds refillInterval{10000};
  // Searches typed by a person have a budget of their own, so that no number of widgets
  // asking for forecasts can leave none for them.
  int searchBurst = 5;
  std::chrono::milliseconds searchRefillInterval{10000};
  CachePolicy policy;
  ReplyCache::Limits waits;
  // Air quality: one request per city per hour. The first request for a city is waited for
  // until this long after the page began, never beyond the forecast's own wait.
  CachePolicy airQualityPolicy{60 * 60, 6 * 60 * 60};
  std::chrono::milliseconds airQualityWait{2000};
};

// The folder below the cache and data folders that holds the records made with a
// provider: none for Open-Meteo itself, "provider-" and a digest of the address for any
// other, so that a run against a test double or a mirror never reads, reuses or
// overwrites the records made with another provider.
std::string ProviderSubfolder(const std::string& providerUrl);

// What a search for a name gave.
struct PlaceAnswer {
  enum class Kind { kFound, kNoSuchPlace, kCannotSearch };
  Kind kind = Kind::kCannotSearch;
  std::string code;  // when found
};

class LiveSource {
 public:
  explicit LiveSource(LiveSourceOptions options);

  // A city of the directory or a place found earlier.
  std::optional<City> FindCity(const std::string& code) const;
  // The latest forecast reply for a city; nothing when none young enough is at hand.
  std::optional<LiveForecast> Forecast(const City& city);
  // The code of a place, from the directory, the places found earlier or the place
  // search (China only); whether the search could not be made now is told apart from
  // "no such place".
  PlaceAnswer ResolvePlace(const std::string& name);

  // Starts a request for a city's air quality when one is due, before the page waits
  // for anything else; gives the time until which the page may wait for the city's first
  // air-quality reply.
  std::chrono::steady_clock::time_point PrepareAirQuality(const City& city);
  // China's air quality index for the hour of a page; nothing when the air-quality
  // service has given nothing usable.
  std::optional<ChinaAqi> AirQuality(const City& city, const ChinaClock& now,
                                     std::chrono::steady_clock::time_point until);

  std::string ForecastUrl(const City& city) const;
  std::string SearchUrl(const std::string& name) const;

 private:
  FetchOutcome FetchForecast(const City& city);
  FetchOutcome FetchAirQuality(const std::string& url);

  const LiveSourceOptions options_;
  const ReplyKind forecastKind_;
  RateLimiter limiter_;
  RateLimiter searchLimiter_;
  PlaceCodes places_;
  AirQualitySource air_;  // waits for its own fetches, which use the members above
  // Last of the members that its fetches use, so that it is destroyed (waiting for
  // them) first.
  ReplyCache cache_;
  struct Translated {
    std::int64_t fetchedAt = 0;
    std::shared_ptr<const LiveForecast> forecast;
  };
  std::mutex translatedMutex_;
  std::map<std::string, Translated> translated_;  // city code -> its latest reply, read
  std::mutex missesMutex_;
  std::map<std::string, std::int64_t> misses_;  // name -> when the search found nothing
};

void LiveLog(const std::string& line);

}  // namespace nimbulux::portal_server
