// The air quality of the cities the portal serves, from Open-Meteo's air-quality service,
// kept apart from the forecast so that its failure takes nothing else with it. Replies go
// through a cache of their own (one request per city per hour, reused after a restart);
// the fetches run on a worker of their own, so a page waits for the service at most a
// short while, and only for a city with no reply at hand.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "live/air_quality.h"
#include "live/forecast_cache.h"

namespace nimbulux::portal_server {

class AirQualitySource {
 public:
  // fetch asks the service for one url (over the shared rate limit); cacheDir holds the
  // replies; firstWait bounds the wait of a city with nothing at hand.
  using Fetch = std::function<FetchOutcome(const std::string& url)>;
  AirQualitySource(std::string cacheDir, CachePolicy policy, ForecastCache::Clock clock,
                   Fetch fetch, ForecastCache::Log log,
                   std::chrono::milliseconds firstWait = std::chrono::milliseconds(2000));
  ~AirQualitySource();
  AirQualitySource(const AirQualitySource&) = delete;
  AirQualitySource& operator=(const AirQualitySource&) = delete;

  // China's index for an hour of a China day, from the reply at hand; nothing when none
  // is at hand or it does not cover that hour. A due refresh is left to the worker.
  std::optional<ChinaAqi> For(const std::string& key, const std::string& url, long long day,
                              int hour);

 private:
  struct Job {
    std::string key;
    std::string url;
  };
  void Work();

  ForecastCache cache_;
  const ForecastCache::Clock clock_;
  const std::int64_t refreshSeconds_;
  const Fetch fetch_;
  const std::chrono::milliseconds firstWait_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::map<std::string, bool> queued_;  // key -> waiting for or in the worker
  struct Known {
    std::vector<AirHour> hours;
    std::int64_t checkedAt = 0;  // when the worker last asked the cache
  };
  std::map<std::string, Known> known_;
  bool stop_ = false;
  std::thread worker_;
};

// The request for a place's hourly pollutants, from yesterday on: the 24-hour means of
// the morning hours reach back into the day before.
std::string AirQualityUrl(const std::string& base, double latitude, double longitude);

}  // namespace nimbulux::portal_server
