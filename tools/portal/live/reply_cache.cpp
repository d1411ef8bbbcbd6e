#include "live/reply_cache.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <nlohmann/json.hpp>
#include <thread>

namespace nimbulux::portal_server {

ReplyCache::ReplyCache(std::string dir, Clock clock, Log log, Limits limits)
    : dir_(std::move(dir)), clock_(std::move(clock)), log_(std::move(log)), limits_(limits) {}

ReplyCache::~ReplyCache() { WaitForFetches(); }

void ReplyCache::WaitForFetches() {
  std::unique_lock lock(mutex_);
  fetched_.wait(lock, [this] { return fetching_ == 0; });
}

std::optional<CachedReply> ReplyCache::Get(const ReplyKind& kind, const std::string& key,
                                           const std::string& url, Fetch fetch) {
  const std::string name = key + " " + kind.name;
  std::unique_lock lock(mutex_);
  Record& record = records_[kind.name + "/" + key];
  if (!record.loaded) {
    record.loaded = true;
    record.reply = ReadFile(kind, key, url);
    // A restart counts the stored reply's fetch as the last request.
    if (record.reply) record.lastAttempt = record.reply->fetchedAt;
  }
  const std::int64_t now = clock_();
  // A clock set back makes an age negative: such a reply is due again, never fresh.
  const auto age = [now](std::int64_t then) { return now - then; };
  const auto fresh = [&] {
    return record.reply && age(record.reply->fetchedAt) >= 0 &&
           age(record.reply->fetchedAt) < kind.policy.refreshSeconds;
  };
  const auto usable = [&] {
    return record.reply && age(record.reply->fetchedAt) >= 0 &&
           age(record.reply->fetchedAt) <= kind.policy.staleLimitSeconds;
  };
  if (fresh()) {
    CachedReply reply = *record.reply;
    reply.stale = false;
    return reply;
  }
  const bool due = !record.lastAttempt || age(*record.lastAttempt) < 0 ||
                   age(*record.lastAttempt) >= kind.policy.refreshSeconds;
  if (due && !record.fetching) StartFetch(record, kind, key, url, std::move(fetch), now);

  if (!usable() && record.fetching) {
    // Nothing to answer with yet: wait for the request under way, within bounds.
    if (waiting_ >= limits_.waiters) {
      log_(name + ": too many requests waiting for the service; not waiting");
    } else {
      ++waiting_;
      fetched_.wait_for(lock, limits_.wait, [&] { return !record.fetching; });
      --waiting_;
    }
  }
  if (fresh()) {
    CachedReply reply = *record.reply;
    reply.stale = false;
    return reply;
  }
  if (usable()) {
    log_(name + ": serving a stale reply, " + std::to_string(age(record.reply->fetchedAt) / 60) +
         " min old");
    CachedReply reply = *record.reply;
    reply.stale = true;
    return reply;
  }
  log_(name + ": no reply younger than " + std::to_string(kind.policy.staleLimitSeconds / 3600) +
       " h: unavailable");
  return std::nullopt;
}

void ReplyCache::StartFetch(Record& record, const ReplyKind& kind, const std::string& key,
                            const std::string& url, Fetch fetch, std::int64_t now) {
  record.fetching = true;
  ++fetching_;
  // The record outlives the thread: records are never erased, and the destructor waits
  // for every fetch.
  std::thread([this, &record, kindName = kind.name, key, url, fetch = std::move(fetch), now] {
    FetchOutcome outcome = fetch();
    std::optional<CachedReply> reply;
    if (outcome.body) {
      reply = CachedReply{std::move(*outcome.body), now, false};
      WriteFile(kindName, key, url, *reply);
    } else {
      log_(key + " " + kindName + ": no new reply (" + outcome.why + ")");
    }
    const std::lock_guard lock(mutex_);
    if (outcome.attempted) record.lastAttempt = now;
    if (reply) record.reply = std::move(reply);
    record.fetching = false;
    --fetching_;
    fetched_.notify_all();
  }).detach();
}

std::string ReplyCache::FileFor(const std::string& kind, const std::string& key) const {
  return dir_ + "/" + kind + "-" + key + ".json";
}

std::optional<CachedReply> ReplyCache::ReadFile(const ReplyKind& kind, const std::string& key,
                                                const std::string& url) const {
  QFile file(QString::fromStdString(FileFor(kind.name, key)));
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
  if (kind.validate && !kind.validate(reply.body)) return std::nullopt;
  return reply;
}

void ReplyCache::WriteFile(const std::string& kind, const std::string& key, const std::string& url,
                           const CachedReply& reply) const {
  const std::string path = FileFor(kind, key);
  if (dir_.empty() || !QDir().mkpath(QString::fromStdString(dir_))) return;
  const nlohmann::json stored = {
      {"url", url}, {"fetched_at", reply.fetchedAt}, {"reply", reply.body}};
  const std::string text = stored.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !file.commit()) {
    log_(key + " " + kind + ": cannot write the cache file " + path);
  }
}

std::int64_t WallClockSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace nimbulux::portal_server
