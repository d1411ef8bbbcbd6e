#include "core/clock.h"

#include <ctime>

namespace nimbulux {

LocalDateTime SystemClock::Now() const {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  LocalDateTime d;
  d.year = tm.tm_year + 1900;
  d.month = tm.tm_mon + 1;
  d.day = tm.tm_mday;
  d.hour = tm.tm_hour;
  d.minute = tm.tm_min;
  d.second = tm.tm_sec;
  d.weekday = tm.tm_wday;
  return d;
}

double SystemClock::MonotonicSeconds() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

namespace {
SystemClock g_system_clock;
Clock* g_clock = &g_system_clock;
}  // namespace

Clock& CurrentClock() { return *g_clock; }
void SetCurrentClock(Clock* clock) { g_clock = clock ? clock : &g_system_clock; }

}  // namespace nimbulux
