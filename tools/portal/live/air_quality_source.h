// The air quality of the cities the portal serves, from Open-Meteo's air-quality service,
// kept apart from the forecast so that its failure takes nothing else with it. Replies are
// records of a reply cache of their own (one request per city per hour, reused after a
// restart, refreshed in the background) that never keeps a page waiting. Only the first
// request for a city is waited for, and only until a deadline that the page sets: the
// page starts that request before it waits for the forecast, so the two waits overlap
// instead of adding up.
#pragma once

#include <chrono>
#include <condition_variable>
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
  // replies.
  using Fetch = std::function<FetchOutcome(const std::string& url)>;
  AirQualitySource(std::string cacheDir, CachePolicy policy, ReplyCache::Clock clock,
                   ReplyCache::Log log, Fetch fetch);

  // Starts a request for a city when one is due; answers at once.
  void Prepare(const std::string& key, const std::string& url);

  // China's index for an hour of a China day, from the reply at hand; nothing when none is
  // at hand or it does not cover that hour. A city never asked before waits for its first
  // reply until `until` at the latest.
  std::optional<ChinaAqi> For(const std::string& key, const std::string& url, long long day,
                              int hour, std::chrono::steady_clock::time_point until);

 private:
  FetchOutcome Attempt(const std::string& key, const std::string& url);
  const std::vector<AirHour>* Hours(const std::string& key, const CachedReply& reply);

  const ReplyKind kind_;
  const std::chrono::seconds refresh_;
  const Fetch fetch_;
  std::mutex mutex_;
  std::condition_variable attempted_;
  struct Record {
    int attempts = 0;  // requests of this run that have ended
    // The last good reply of this run, for the moment before the cache holds it.
    std::optional<std::vector<AirHour>> latest;
    std::chrono::steady_clock::time_point latestAt;
    std::int64_t parsedAt = -1;  // the cached reply `parsed` was read from
    std::vector<AirHour> parsed;
  };
  std::map<std::string, Record> records_;
  // Last: destroyed first, it waits for its fetches, which call back into the above.
  ReplyCache cache_;
};

// The request for a place's hourly pollutants, from yesterday on: the 24-hour means of
// the morning hours reach back into the day before.
std::string AirQualityUrl(const std::string& base, double latitude, double longitude);

}  // namespace nimbulux::portal_server
