// The weather service's replies, in memory and on disk, with the rules of a good client
// that never keeps a widget waiting for what it already has:
// - a reply on hand is answered at once; one older than its kind's refresh period is
//   refreshed in the background, one upstream request per record at a time;
// - a failed attempt is not repeated within the refresh period;
// - only a record with no usable reply waits for its request, and never longer than the
//   wait limit; no more than a few requests wait at once, so a hanging service cannot
//   take every server thread;
// - a restart reuses what is on disk; a stored reply counts only for the address it came
//   from;
// - the last good reply stands in for a failing service up to the kind's stale limit.
// Records are kept per (kind, key): each kind of reply (the forecast, ...) has its own
// periods, file names and validation.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace nimbulux::portal_server {

struct CachePolicy {
  std::int64_t refreshSeconds = 15 * 60;
  std::int64_t staleLimitSeconds = 6 * 60 * 60;
};

// A kind of upstream reply. name is part of the file names ("forecast" gives
// forecast-<key>.json) and of the log lines.
struct ReplyKind {
  std::string name;
  CachePolicy policy;
  std::function<bool(const std::string& body)> validate;  // a stored reply still counts
};

// What one attempt to reach the service gave.
struct FetchOutcome {
  bool attempted = false;           // false: not tried (e.g. over the rate limit)
  std::optional<std::string> body;  // a valid reply
  std::string why;                  // for the log when there is no body
};

struct CachedReply {
  std::string body;
  std::int64_t fetchedAt = 0;  // seconds since the epoch
  bool stale = false;          // older than the refresh period
};

class ReplyCache {
 public:
  using Clock = std::function<std::int64_t()>;  // seconds since the epoch
  // Runs on a thread of the cache's own, never on the caller's.
  using Fetch = std::function<FetchOutcome()>;
  using Log = std::function<void(const std::string& line)>;

  struct Limits {
    std::chrono::milliseconds wait{9000};  // longest wait for a record with no reply
    int waiters = 8;                       // requests waiting at once, at most
  };

  // Files live in dir (created when needed).
  ReplyCache(std::string dir, Clock clock, Log log, Limits limits);
  ReplyCache(std::string dir, Clock clock, Log log) : ReplyCache(dir, clock, log, Limits{}) {}
  // Waits for the requests under way (each is bounded by its own time-out).
  ~ReplyCache();
  ReplyCache(const ReplyCache&) = delete;
  ReplyCache& operator=(const ReplyCache&) = delete;

  // The reply of kind for key, fetched from url when due; nothing when no reply younger
  // than the stale limit is at hand (within the wait limit).
  std::optional<CachedReply> Get(const ReplyKind& kind, const std::string& key,
                                 const std::string& url, Fetch fetch);

  // Returns once no request is under way.
  void WaitForFetches();

 private:
  struct Record {
    bool loaded = false;
    std::optional<CachedReply> reply;
    std::optional<std::int64_t> lastAttempt;
    bool fetching = false;
  };
  void StartFetch(Record& record, const ReplyKind& kind, const std::string& key,
                  const std::string& url, Fetch fetch, std::int64_t now);
  std::string FileFor(const std::string& kind, const std::string& key) const;
  std::optional<CachedReply> ReadFile(const ReplyKind& kind, const std::string& key,
                                      const std::string& url) const;
  void WriteFile(const std::string& kind, const std::string& key, const std::string& url,
                 const CachedReply& reply) const;

  const std::string dir_;
  const Clock clock_;
  const Log log_;
  const Limits limits_;
  std::mutex mutex_;  // never held while the service is asked
  std::condition_variable fetched_;
  std::map<std::string, Record> records_;  // by kind + "/" + key; nodes never move
  int fetching_ = 0;
  int waiting_ = 0;
};

// Seconds since the epoch by the system clock.
std::int64_t WallClockSeconds();

}  // namespace nimbulux::portal_server
