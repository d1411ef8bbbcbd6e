// The clock as a seam: the refresh cycle, the forecast windows and the background
// switch read the time through it, so tests can drive time.
#pragma once

#include <chrono>
#include <cstdint>

namespace nimbulux {

struct LocalDateTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Local wall-clock time.
  virtual LocalDateTime Now() const = 0;
  // Seconds on a monotonic scale, for intervals.
  virtual double MonotonicSeconds() const = 0;
};

// The real clock of the machine.
class SystemClock final : public Clock {
 public:
  LocalDateTime Now() const override;
  double MonotonicSeconds() const override;
};

// A clock the tests set by hand.
class ManualClock final : public Clock {
 public:
  LocalDateTime Now() const override { return now_; }
  double MonotonicSeconds() const override { return seconds_; }
  void Set(const LocalDateTime& t) { now_ = t; }
  void Advance(double seconds) { seconds_ += seconds; }

 private:
  LocalDateTime now_{};
  double seconds_ = 0;
};

// The process-wide clock; defaults to the system clock.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);  // nullptr restores the system clock

}  // namespace nimbulux
