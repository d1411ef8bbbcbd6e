#include "live/air_quality_source.h"

#include <cstdio>

namespace nimbulux::portal_server {

AirQualitySource::AirQualitySource(std::string cacheDir, CachePolicy policy,
                                   ForecastCache::Clock clock, Fetch fetch, ForecastCache::Log log,
                                   std::chrono::milliseconds firstWait)
    : cache_(
          std::move(cacheDir), policy, clock,
          [](const std::string& body) { return ParseAirQualityReply(body).has_value(); },
          std::move(log)),
      clock_(std::move(clock)),
      refreshSeconds_(policy.refreshSeconds),
      fetch_(std::move(fetch)),
      firstWait_(firstWait),
      worker_([this] { Work(); }) {}

AirQualitySource::~AirQualitySource() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::optional<ChinaAqi> AirQualitySource::For(const std::string& key, const std::string& url,
                                              long long day, int hour) {
  std::unique_lock lock(mutex_);
  const auto known = known_.find(key);
  const bool due = known == known_.end() || clock_() - known->second.checkedAt >= refreshSeconds_;
  if (due && !queued_[key]) {
    queued_[key] = true;
    queue_.push_back(Job{key, url});
    changed_.notify_all();
  }
  if (known == known_.end()) {
    changed_.wait_for(lock, firstWait_, [&] { return !queued_[key] || stop_; });
  }
  const auto now = known_.find(key);
  if (now == known_.end()) return std::nullopt;
  return ChinaAqiAt(now->second.hours, day, hour);
}

void AirQualitySource::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    const Job job = queue_.front();
    queue_.pop_front();
    lock.unlock();
    const std::optional<CachedReply> reply =
        cache_.Get(job.key, job.url, [&] { return fetch_(job.url); });
    std::optional<std::vector<AirHour>> hours;
    if (reply) hours = ParseAirQualityReply(reply->body);
    lock.lock();
    queued_[job.key] = false;
    if (hours) {
      known_[job.key] = Known{std::move(*hours), clock_()};
    } else {
      // Nothing young enough: nothing about air quality is shown, and the cache's own
      // rules decide when the service is asked again.
      known_.erase(job.key);
    }
    changed_.notify_all();
  }
}

std::string AirQualityUrl(const std::string& base, double latitude, double longitude) {
  char coordinates[64];
  std::snprintf(coordinates, sizeof coordinates, "latitude=%.2f&longitude=%.2f", latitude,
                longitude);
  return base + "/v1/air-quality?" + coordinates +
         "&hourly=pm2_5,pm10,ozone,nitrogen_dioxide,sulphur_dioxide,carbon_monoxide"
         "&timezone=Asia%2FShanghai&past_days=1&forecast_days=1";
}

}  // namespace nimbulux::portal_server
