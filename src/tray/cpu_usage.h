// The processor load in percent since the previous reading, from the system's idle time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nimbulux {

// One reading of the system counters, times in units of 100 ns.
struct CpuCounters {
  std::int64_t idleTime = 0;    // idle time summed over all processors
  std::int64_t systemTime = 0;  // the clock at the moment of reading
  int processors = 0;
};

// Reads /proc/stat (format of Linux): the idle and I/O-wait time of the "cpu" line and the
// number of "cpuN" lines. None when the file cannot be read or makes no sense.
std::optional<CpuCounters> ReadProcStat(const std::string& path, std::int64_t systemTime,
                                        long ticksPerSecond);

// The load in percent from two readings: -1 when the processor count is not positive,
// otherwise 0..100 (measurement jitter can put the raw figure a little outside).
std::int32_t CpuLoadPercent(std::int64_t idleDelta, std::int64_t timeDelta, int processors);

class CpuUsageSampler {
 public:
  using CounterSource = std::function<std::optional<CpuCounters>()>;

  // The counters of this machine: /proc/stat and a steady clock.
  CpuUsageSampler();
  // Counters from elsewhere (tests).
  explicit CpuUsageSampler(CounterSource source);
  ~CpuUsageSampler() { Terminate(); }

  // Takes the first reading; on failure the stored reading stays 0.
  void Initialize();
  // The load in percent since the previous reading, or -1 when the counters cannot be read (the
  // stored reading is then kept).
  std::int32_t Query();
  void Terminate() {}

  std::int64_t LastIdleTime() const { return lastIdleTime_; }
  std::int64_t LastSystemTime() const { return lastSystemTime_; }

 private:
  CounterSource source_;
  std::int64_t lastIdleTime_ = 0;
  std::int64_t lastSystemTime_ = 0;
};

// The counters of this machine: /proc/stat at path, the steady clock.
CpuUsageSampler::CounterSource SystemCounterSource(std::string path = "/proc/stat");

// The once-a-second step of the CPU tray display: redraw only when the value changes.
class CpuTrayUpdate {
 public:
  // The value to draw into the tray icon, or none when it equals the last one drawn.
  std::optional<std::int16_t> Next(std::int32_t load);
  // Makes the next sample redraw (start-up, options applied).
  void Reset() { LastTrayValue = -1; }

  std::int16_t LastTrayValue = -1;
};

}  // namespace nimbulux
