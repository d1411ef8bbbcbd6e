// The air quality of the cities the portal serves, from Open-Meteo's air-quality service,
// kept apart from the forecast so that its failure takes nothing else with it. Replies
// are a kind of record of their own (one request per city per hour, reused after a
// restart, refreshed in the background); a page waits for the service only for a city
// with no reply at hand, and only a short while, since it may already have waited for the
// forecast.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "live/air_quality.h"
#include "live/reply_cache.h"

namespace nimbulux::portal_server {

class AirQualitySource {
 public:
  // fetch asks the service for one url (over the shared rate limit); cacheDir holds the
  // replies; firstWait bounds the wait of a city with nothing at hand.
  using Fetch = std::function<FetchOutcome(const std::string& url)>;
  AirQualitySource(std::string cacheDir, CachePolicy policy, ReplyCache::Clock clock, Fetch fetch,
                   ReplyCache::Log log,
                   std::chrono::milliseconds firstWait = std::chrono::milliseconds(2000));

  // China's index for an hour of a China day, from the reply at hand; nothing when none
  // is at hand or it does not cover that hour.
  std::optional<ChinaAqi> For(const std::string& key, const std::string& url, long long day,
                              int hour);

 private:
  const ReplyKind kind_;
  const Fetch fetch_;
  // A reply is read once, not on every page.
  struct Parsed {
    std::int64_t fetchedAt = 0;
    std::vector<AirHour> hours;
  };
  std::mutex parsedMutex_;
  std::map<std::string, Parsed> parsed_;
  // Last: waits for its fetches when destroyed.
  ReplyCache cache_;
};

// The request for a place's hourly pollutants, from yesterday on: the 24-hour means of
// the morning hours reach back into the day before.
std::string AirQualityUrl(const std::string& base, double latitude, double longitude);

}  // namespace nimbulux::portal_server
