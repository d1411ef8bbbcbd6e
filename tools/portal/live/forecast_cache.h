// The weather service's replies per city, in memory and on disk, with the rules of a
// good client: at most one upstream request per city per refresh period, concurrent
// requests for one city share one upstream request, a restart reuses what is on disk,
// and the last good reply stands in for a failing service for a limited time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace nimbulux::portal_server {

struct CachePolicy {
  std::int64_t refreshSeconds = 15 * 60;
  std::int64_t staleLimitSeconds = 6 * 60 * 60;
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
  bool stale = false;          // older than the refresh period: the service failed
};

class ForecastCache {
 public:
  using Clock = std::function<std::int64_t()>;  // seconds since the epoch
  using Fetch = std::function<FetchOutcome()>;
  using Validate = std::function<bool(const std::string& body)>;
  using Log = std::function<void(const std::string& line)>;

  // Files live in dir (created when needed); a file that fails validate is ignored.
  ForecastCache(std::string dir, CachePolicy policy, Clock clock, Validate validate, Log log);

  // The reply for key, fetched from url when due; nothing when no reply young enough
  // exists. A stored reply counts only for the url it came from (another service, or a
  // city that moved, starts afresh).
  std::optional<CachedReply> Get(const std::string& key, const std::string& url,
                                 const Fetch& fetch);

 private:
  struct Slot {
    std::mutex mutex;  // held during a fetch: concurrent requests wait for its result
    bool loaded = false;
    std::optional<CachedReply> reply;
    std::optional<std::int64_t> lastAttempt;
  };
  Slot& SlotFor(const std::string& key);
  std::string FileFor(const std::string& key) const;
  std::optional<CachedReply> ReadFile(const std::string& key, const std::string& url) const;
  void WriteFile(const std::string& key, const std::string& url, const CachedReply& reply) const;

  const std::string dir_;
  const CachePolicy policy_;
  const Clock clock_;
  const Validate validate_;
  const Log log_;
  std::mutex slotsMutex_;
  std::map<std::string, std::unique_ptr<Slot>> slots_;
};

// Seconds since the epoch by the system clock.
std::int64_t WallClockSeconds();

}  // namespace nimbulux::portal_server
