#include "live/air_quality_source.h"

#include <cstdio>

namespace nimbulux::portal_server {

AirQualitySource::AirQualitySource(std::string cacheDir, CachePolicy policy,
                                   ReplyCache::Clock clock, ReplyCache::Log log, Fetch fetch)
    : kind_{"air-quality", policy,
            [](const std::string& body) { return ParseAirQualityReply(body).has_value(); }},
      refresh_(policy.refreshSeconds),
      fetch_(std::move(fetch)),
      // The cache itself never waits; For() does, for a city's first reply only.
      cache_(std::move(cacheDir), std::move(clock), std::move(log),
             ReplyCache::Limits{std::chrono::milliseconds(0), ReplyCache::Limits{}.waiters}) {}

FetchOutcome AirQualitySource::Attempt(const std::string& key, const std::string& url) {
  FetchOutcome outcome = fetch_(url);
  std::optional<std::vector<AirHour>> hours;
  if (outcome.body) hours = ParseAirQualityReply(*outcome.body);
  {
    const std::lock_guard lock(mutex_);
    Record& record = records_[key];
    ++record.attempts;
    if (hours) {
      record.latest = std::move(hours);
      record.latestAt = std::chrono::steady_clock::now();
    }
  }
  attempted_.notify_all();
  return outcome;
}

void AirQualitySource::Prepare(const std::string& key, const std::string& url) {
  cache_.Get(kind_, key, url, [this, key, url] { return Attempt(key, url); });
}

// Called with mutex_ held.
const std::vector<AirHour>* AirQualitySource::Hours(const std::string& key,
                                                    const CachedReply& reply) {
  Record& record = records_[key];
  if (record.parsedAt != reply.fetchedAt) {
    // A reply is read once, not on every page.
    auto hours = ParseAirQualityReply(reply.body);
    if (!hours) return nullptr;
    record.parsed = std::move(*hours);
    record.parsedAt = reply.fetchedAt;
  }
  return &record.parsed;
}

std::optional<ChinaAqi> AirQualitySource::For(const std::string& key, const std::string& url,
                                              long long day, int hour,
                                              std::chrono::steady_clock::time_point until) {
  const std::optional<CachedReply> reply =
      cache_.Get(kind_, key, url, [this, key, url] { return Attempt(key, url); });
  std::unique_lock lock(mutex_);
  if (reply) {
    const std::vector<AirHour>* hours = Hours(key, *reply);
    if (hours == nullptr) return std::nullopt;
    return ChinaAqiAt(*hours, day, hour);
  }
  // Nothing in the cache. A city whose first request has not ended is waited for; after
  // that the page goes on at once, with a reply that has just come in if there is one.
  Record& record = records_[key];
  attempted_.wait_until(lock, until, [&] { return record.attempts != 0; });
  if (!record.latest || std::chrono::steady_clock::now() - record.latestAt >= refresh_) {
    return std::nullopt;
  }
  return ChinaAqiAt(*record.latest, day, hour);
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
