#include "live/air_quality_source.h"

#include <cstdio>

namespace nimbulux::portal_server {

AirQualitySource::AirQualitySource(std::string cacheDir, CachePolicy policy,
                                   ReplyCache::Clock clock, Fetch fetch, ReplyCache::Log log,
                                   std::chrono::milliseconds firstWait)
    : kind_{"air-quality", policy,
            [](const std::string& body) { return ParseAirQualityReply(body).has_value(); }},
      fetch_(std::move(fetch)),
      cache_(std::move(cacheDir), std::move(clock), std::move(log),
             ReplyCache::Limits{firstWait, ReplyCache::Limits{}.waiters}) {}

std::optional<ChinaAqi> AirQualitySource::For(const std::string& key, const std::string& url,
                                              long long day, int hour) {
  const std::optional<CachedReply> reply =
      cache_.Get(kind_, key, url, [this, url] { return fetch_(url); });
  if (!reply) return std::nullopt;
  const std::lock_guard lock(parsedMutex_);
  Parsed& parsed = parsed_[key];
  if (parsed.fetchedAt != reply->fetchedAt) {
    auto hours = ParseAirQualityReply(reply->body);
    if (!hours) return std::nullopt;
    parsed = Parsed{reply->fetchedAt, std::move(*hours)};
  }
  return ChinaAqiAt(parsed.hours, day, hour);
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
