#include "live/forecast_cache.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <chrono>
#include <nlohmann/json.hpp>

namespace nimbulux::portal_server {

ForecastCache::ForecastCache(std::string dir, CachePolicy policy, Clock clock, Validate validate,
                             Log log)
    : dir_(std::move(dir)),
      policy_(policy),
      clock_(std::move(clock)),
      validate_(std::move(validate)),
      log_(std::move(log)) {}

ForecastCache::Slot& ForecastCache::SlotFor(const std::string& key) {
  const std::lock_guard lock(slotsMutex_);
  auto& slot = slots_[key];
  if (!slot) slot = std::make_unique<Slot>();
  return *slot;
}

std::optional<CachedReply> ForecastCache::Get(const std::string& key, const std::string& url,
                                              const Fetch& fetch) {
  Slot& slot = SlotFor(key);
  const std::lock_guard lock(slot.mutex);
  if (!slot.loaded) {
    slot.loaded = true;
    slot.reply = ReadFile(key, url);
    // A restart counts the stored reply's fetch as the last request.
    if (slot.reply) slot.lastAttempt = slot.reply->fetchedAt;
  }
  const std::int64_t now = clock_();
  // A clock set back makes an age negative: such a reply is due again, never fresh.
  const auto age = [now](std::int64_t then) { return now - then; };
  if (slot.reply && age(slot.reply->fetchedAt) >= 0 &&
      age(slot.reply->fetchedAt) < policy_.refreshSeconds) {
    CachedReply fresh = *slot.reply;
    fresh.stale = false;
    return fresh;
  }
  const bool due = !slot.lastAttempt || age(*slot.lastAttempt) < 0 ||
                   age(*slot.lastAttempt) >= policy_.refreshSeconds;
  if (due) {
    FetchOutcome outcome = fetch();
    if (outcome.attempted) slot.lastAttempt = now;
    if (outcome.body) {
      slot.reply = CachedReply{std::move(*outcome.body), now, false};
      WriteFile(key, url, *slot.reply);
      return slot.reply;
    }
    log_(key + ": no new reply (" + outcome.why + ")");
  }
  if (slot.reply && age(slot.reply->fetchedAt) >= 0 &&
      age(slot.reply->fetchedAt) <= policy_.staleLimitSeconds) {
    log_(key + ": serving a stale reply, " + std::to_string(age(slot.reply->fetchedAt) / 60) +
         " min old");
    CachedReply stale = *slot.reply;
    stale.stale = true;
    return stale;
  }
  log_(key + ": no reply younger than " + std::to_string(policy_.staleLimitSeconds / 3600) +
       " h: unavailable");
  return std::nullopt;
}

std::string ForecastCache::FileFor(const std::string& key) const {
  return dir_ + "/forecast-" + key + ".json";
}

std::optional<CachedReply> ForecastCache::ReadFile(const std::string& key,
                                                   const std::string& url) const {
  QFile file(QString::fromStdString(FileFor(key)));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  const auto stored = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!stored.is_object()) return std::nullopt;
  const auto at = stored.find("fetched_at");
  const auto body = stored.find("reply");
  if (at == stored.end() || !at->is_number_integer() || body == stored.end() ||
      !body->is_string() || stored.value("url", "") != url) {
    return std::nullopt;
  }
  CachedReply reply{body->get<std::string>(), at->get<std::int64_t>(), false};
  if (!validate_(reply.body)) return std::nullopt;
  return reply;
}

void ForecastCache::WriteFile(const std::string& key, const std::string& url,
                              const CachedReply& reply) const {
  if (dir_.empty() || !QDir().mkpath(QString::fromStdString(dir_))) return;
  const nlohmann::json stored = {
      {"url", url}, {"fetched_at", reply.fetchedAt}, {"reply", reply.body}};
  const std::string text = stored.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  QSaveFile file(QString::fromStdString(FileFor(key)));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    log_(key + ": cannot write the cache file " + FileFor(key));
  }
}

std::int64_t WallClockSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace nimbulux::portal_server
