#include "tray/cpu_usage.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace nimbulux {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;  // 100 ns units

std::int64_t TicksToUnits(std::int64_t ticks, long ticksPerSecond) {
  return ticks / ticksPerSecond * kUnitsPerSecond +
         ticks % ticksPerSecond * kUnitsPerSecond / ticksPerSecond;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<CpuCounters> ReadProcStat(const std::string& path, std::int64_t systemTime,
                                        long ticksPerSecond) {
  if (ticksPerSecond <= 0) return std::nullopt;
  std::ifstream in(path);
  if (!in) return std::nullopt;
  CpuCounters counters;
  counters.systemTime = systemTime;
  bool haveTotal = false;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name == "cpu") {
      // user nice system idle iowait ...: waiting for I/O is idle time too.
      std::vector<std::int64_t> values;
      std::string v;
      while (fields >> v && values.size() < 5) {
        if (!IsDigits(v) || v.size() > 17) return std::nullopt;
        values.push_back(std::stoll(v));
      }
      if (values.size() < 4) return std::nullopt;
      const std::int64_t idle = values[3] + (values.size() > 4 ? values[4] : 0);
      counters.idleTime = TicksToUnits(idle, ticksPerSecond);
      haveTotal = true;
    } else if (name.size() > 3 && name.compare(0, 3, "cpu") == 0 && IsDigits(name.substr(3))) {
      ++counters.processors;
    }
  }
  if (!haveTotal || counters.processors <= 0) return std::nullopt;
  return counters;
}

std::int32_t CpuLoadPercent(std::int64_t idleDelta, std::int64_t timeDelta, int processors) {
  if (processors <= 0) return -1;
  // The idle ratio in units of 1/10000, to four decimals with halves to the even digit.
  long double ratio = timeDelta != 0 ? static_cast<long double>(idleDelta) * 10000.0L / timeDelta
                                     : static_cast<long double>(idleDelta);
  ratio = std::clamp(ratio, -1e15L, 1e15L);
  const auto ratio4 = static_cast<std::int64_t>(std::nearbyint(ratio));
  // floor(100 - 100 * ratio / n + 0.5), exactly, in whole units.
  const std::int64_t numerator = 10050 * static_cast<std::int64_t>(processors) - ratio4;
  const std::int64_t denominator = 100 * static_cast<std::int64_t>(processors);
  std::int64_t load = numerator / denominator;
  if (numerator % denominator != 0 && numerator < 0) --load;
  // Tick granularity can put an idle or a busy machine a point beyond the scale; -1 would
  // read as a failed query.
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(load, 0, 100));
}

CpuUsageSampler::CpuUsageSampler() : CpuUsageSampler(SystemCounterSource()) {}

CpuUsageSampler::CpuUsageSampler(CounterSource source) : source_(std::move(source)) {
  Initialize();
}

void CpuUsageSampler::Initialize() {
  const std::optional<CpuCounters> now = source_ ? source_() : std::nullopt;
  if (!now) return;
  lastIdleTime_ = now->idleTime;
  lastSystemTime_ = now->systemTime;
}

std::int32_t CpuUsageSampler::Query() {
  const std::optional<CpuCounters> now = source_ ? source_() : std::nullopt;
  if (!now || now->processors <= 0) return -1;
  const std::int32_t load = CpuLoadPercent(now->idleTime - lastIdleTime_,
                                           now->systemTime - lastSystemTime_, now->processors);
  lastIdleTime_ = now->idleTime;
  lastSystemTime_ = now->systemTime;
  return load;
}

CpuUsageSampler::CounterSource SystemCounterSource(std::string path) {
  return [path = std::move(path)]() -> std::optional<CpuCounters> {
    // A steady clock: a change of the wall-clock time must not read as load.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto units = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
    return ReadProcStat(path, units, sysconf(_SC_CLK_TCK));
  };
}

std::optional<std::int16_t> CpuTrayUpdate::Next(std::int32_t load) {
  const auto value = static_cast<std::int16_t>(std::clamp<std::int32_t>(load, -32768, 32767));
  if (value == LastTrayValue) return std::nullopt;
  LastTrayValue = value;
  return value;
}

}  // namespace nimbulux
