// The live source of the portal: cities of the directory and of the place search, and
// their weather from Open-Meteo through the cache and the global rate limit.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "live/air_quality_source.h"
#include "live/forecast_cache.h"
#include "live/live_translate.h"
#include "live/place_codes.h"
#include "live/rate_limiter.h"
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
  std::string cacheDir;   // forecast replies
  std::string placeFile;  // codes of searched places
  UpstreamLimits limits;
  int burst = 30;  // upstream requests at once, then one per refill interval
  std::chrono::milliseconds refillInterval{10000};
  CachePolicy policy;
  // Air quality: one request per city per hour; a page waits this long at most for a
  // city with no air-quality reply at hand.
  CachePolicy airQualityPolicy{60 * 60, 6 * 60 * 60};
  std::chrono::milliseconds airQualityWait{2000};
};

class LiveSource {
 public:
  explicit LiveSource(LiveSourceOptions options);

  // A city of the directory or a place found earlier.
  std::optional<City> FindCity(const std::string& code) const;
  // The latest forecast reply for a city; nothing when none young enough is at hand.
  std::optional<LiveForecast> Forecast(const City& city);
  // The code of a place outside the directory, found through the place search; empty
  // when nothing matches or the search cannot be made now.
  std::string ResolvePlace(const std::string& name);

  // China's air quality index for the hour of a page; nothing when the air-quality
  // service has given nothing usable.
  std::optional<ChinaAqi> AirQuality(const City& city, const ChinaClock& now);

  std::string ForecastUrl(const City& city) const;
  std::string SearchUrl(const std::string& name) const;

 private:
  FetchOutcome FetchForecast(const City& city);
  FetchOutcome FetchAirQuality(const std::string& url);

  const LiveSourceOptions options_;
  RateLimiter limiter_;
  ForecastCache cache_;
  AirQualitySource air_;
  PlaceCodes places_;
  std::mutex missesMutex_;
  std::map<std::string, std::int64_t> misses_;  // name -> when the search found nothing
};

void LiveLog(const std::string& line);

}  // namespace nimbulux::portal_server
