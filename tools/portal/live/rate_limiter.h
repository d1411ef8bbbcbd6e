// A token bucket shared by every upstream request, so that no pattern of widget requests
// can make the portal flood the weather service.
#pragma once

#include <chrono>
#include <mutex>

namespace nimbulux::portal_server {

class RateLimiter {
 public:
  // Up to burst requests at once, then one per refillInterval.
  RateLimiter(int burst, std::chrono::milliseconds refillInterval)
      : capacity_(burst),
        tokens_(burst),
        interval_(refillInterval),
        last_(std::chrono::steady_clock::now()) {}

  // Takes a token when one is left.
  bool TryTake() {
    const std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    const auto earned = (now - last_) / interval_;
    if (earned > 0) {
      tokens_ = static_cast<int>(std::min<long long>(capacity_, tokens_ + earned));
      last_ += earned * interval_;
      if (tokens_ == capacity_) last_ = now;
    }
    if (tokens_ == 0) return false;
    --tokens_;
    return true;
  }

 private:
  std::mutex mutex_;
  const int capacity_;
  int tokens_;
  const std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace nimbulux::portal_server
