// The CPU load sampler and the once-a-second tray step.
#include <gtest/gtest.h>

#include <deque>

#include "support/temp_dir.h"
#include "tray/cpu_usage.h"

using namespace nimbulux;

namespace {
constexpr std::int64_t kSecond = 10'000'000;  // 100 ns units
}

TEST(CpuLoadPercent, IdleBusyAndTheRoundingOfTheLastStep) {
  EXPECT_EQ(CpuLoadPercent(4 * kSecond, kSecond, 4), 0);  // all processors idle
  EXPECT_EQ(CpuLoadPercent(0, kSecond, 4), 100);
  EXPECT_EQ(CpuLoadPercent(3 * kSecond / 2, kSecond, 2), 25);  // 25.5 rounds down after floor
  EXPECT_EQ(CpuLoadPercent(625, 1000, 1), 38);                 // 37.5 % goes up
  EXPECT_EQ(CpuLoadPercent(6251, 10000, 1), 37);
  // The ratio is fixed to four decimals, halves to the even digit: 0.62495 -> 0.6250 (37.5,
  // up to 38), 0.62545 -> 0.6254 (37.96, down to 37).
  EXPECT_EQ(CpuLoadPercent(62495, 100000, 1), 38);
  EXPECT_EQ(CpuLoadPercent(62545, 100000, 1), 37);
  // No time passed: the idle delta itself counts, in ten-thousandths.
  EXPECT_EQ(CpuLoadPercent(0, 0, 1), 100);
  EXPECT_EQ(CpuLoadPercent(5000, 0, 1), 50);
  // Jitter beyond the scale stays on it; no processors is a failure.
  EXPECT_EQ(CpuLoadPercent(41 * kSecond / 10, kSecond, 4), 0);
  EXPECT_EQ(CpuLoadPercent(-kSecond, kSecond, 1), 100);
  EXPECT_EQ(CpuLoadPercent(kSecond, kSecond, 0), -1);
  EXPECT_EQ(CpuLoadPercent(INT64_MAX / 2, 1, 1), 0);
}

TEST(CpuUsage, QueriesMeasureSinceThePreviousReadingAndFailuresKeepIt) {
  std::deque<std::optional<CpuCounters>> readings = {
      CpuCounters{1000 * kSecond, 50 * kSecond, 2},  // Initialize
      CpuCounters{1001 * kSecond, 51 * kSecond, 2},  // half of two processors idle: 50 %
      std::nullopt,                                  // failed read
      CpuCounters{1003 * kSecond, 52 * kSecond, 2},  // against the 51 s reading: idle
  };
  CpuUsageSampler cpu([&]() {
    auto r = readings.front();
    readings.pop_front();
    return r;
  });
  EXPECT_EQ(cpu.LastIdleTime(), 1000 * kSecond);
  EXPECT_EQ(cpu.Query(), 50);
  EXPECT_EQ(cpu.Query(), -1);
  EXPECT_EQ(cpu.LastSystemTime(), 51 * kSecond);
  EXPECT_EQ(cpu.Query(), 0);

  CpuUsageSampler broken([] { return std::optional<CpuCounters>(); });
  EXPECT_EQ(broken.LastIdleTime(), 0);
  EXPECT_EQ(broken.LastSystemTime(), 0);
  EXPECT_EQ(broken.Query(), -1);
}

TEST(CpuUsage, ReadsProcStat) {
  test::TempDir dir;
  const std::string stat = dir.File("stat");
  // ticks of 1/100 s: idle 1000 + iowait 200 = 1200 ticks = 12 s
  test::WriteFile(stat,
                  "cpu  500 10 300 1000 200 0 5 0 0 0\n"
                  "cpu0 250 5 150 500 100 0 3 0 0 0\n"
                  "cpu1 250 5 150 500 100 0 2 0 0 0\n"
                  "intr 123 4 5\n"
                  "cpufreq 1\n");
  auto counters = ReadProcStat(stat, 77, 100);
  ASSERT_TRUE(counters);
  EXPECT_EQ(counters->idleTime, 12 * kSecond);
  EXPECT_EQ(counters->systemTime, 77);
  EXPECT_EQ(counters->processors, 2);

  // Old kernels without the iowait column.
  test::WriteFile(stat, "cpu 1 2 3 400\ncpu0 1 2 3 400\n");
  counters = ReadProcStat(stat, 0, 100);
  ASSERT_TRUE(counters);
  EXPECT_EQ(counters->idleTime, 4 * kSecond);
  EXPECT_EQ(counters->processors, 1);

  EXPECT_FALSE(ReadProcStat(dir.File("missing"), 0, 100));
  test::WriteFile(stat, "");
  EXPECT_FALSE(ReadProcStat(stat, 0, 100));
  test::WriteFile(stat, "cpu 1 2 x 4\ncpu0 1 2 3 4\n");
  EXPECT_FALSE(ReadProcStat(stat, 0, 100));
  test::WriteFile(stat, "cpu 1 2 3 4\n");  // no processor lines
  EXPECT_FALSE(ReadProcStat(stat, 0, 100));
  test::WriteFile(stat, "cpu 1 2 3 99999999999999999999\ncpu0 1\n");
  EXPECT_FALSE(ReadProcStat(stat, 0, 100));

  // The machine's own counters read and give a load on the scale.
  CpuUsageSampler real;
  const auto load = real.Query();
  EXPECT_GE(load, 0);
  EXPECT_LE(load, 100);
  CpuUsageSampler missing(SystemCounterSource(dir.File("missing")));
  EXPECT_EQ(missing.Query(), -1);
}

TEST(CpuTrayUpdate, RedrawsOnlyWhenTheValueChanges) {
  CpuTrayUpdate tick;
  EXPECT_EQ(tick.Next(12), std::optional<std::int16_t>(12));
  EXPECT_EQ(tick.Next(12), std::nullopt);
  EXPECT_EQ(tick.Next(-1), std::optional<std::int16_t>(-1));  // a failed query, shown once
  EXPECT_EQ(tick.Next(-1), std::nullopt);
  EXPECT_EQ(tick.Next(100), std::optional<std::int16_t>(100));
  tick.Reset();
  EXPECT_EQ(tick.LastTrayValue, -1);
  EXPECT_EQ(tick.Next(100), std::optional<std::int16_t>(100));
  CpuTrayUpdate fresh;
  EXPECT_EQ(fresh.Next(-1), std::nullopt);  // nothing to redraw before a real value
}
