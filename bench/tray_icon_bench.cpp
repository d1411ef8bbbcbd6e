// The cost of one tray icon: the bytes alone, and bytes decoded into a picture.
#include <benchmark/benchmark.h>

#include "core/setting_defaults.h"
#include "tray/cpu_usage.h"
#include "tray/tray_icon.h"

namespace {

void BM_TrayIconBytes(benchmark::State& state) {
  std::int16_t v = -99;
  for (auto _ : state) {
    benchmark::DoNotOptimize(nimbulux::TrayIconBytes(v, nimbulux::kDefaultTrayColourRules, false));
    v = static_cast<std::int16_t>(v >= 99 ? -99 : v + 1);
  }
}
BENCHMARK(BM_TrayIconBytes);

void BM_TemperatureIcon(benchmark::State& state) {
  std::int16_t v = -99;
  for (auto _ : state) {
    std::int16_t value = v;
    benchmark::DoNotOptimize(
        nimbulux::TemperatureIcon(value, nimbulux::kDefaultTrayColourRules, false));
    v = static_cast<std::int16_t>(v >= 99 ? -99 : v + 1);
  }
}
BENCHMARK(BM_TemperatureIcon);

void BM_CpuQuery(benchmark::State& state) {
  nimbulux::CpuUsageSampler cpu;
  for (auto _ : state) benchmark::DoNotOptimize(cpu.Query());
}
BENCHMARK(BM_CpuQuery);

}  // namespace

BENCHMARK_MAIN();
