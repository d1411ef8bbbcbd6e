#include "widget/refresh_cycle.h"

#include <cstdio>
#include <exception>

namespace nimbulux {

namespace {

Text TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v < 0 ? 0 : v % 100);
  return FromUtf8(buf);
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

long long MinuteNumber(const LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60LL + t.minute;
}

// Every step of a refresh stands alone: a failure in one must not stop the others.
template <typename F>
void Step(F&& f) {
  try {
    f();
  } catch (const std::exception&) {
  }
}

}  // namespace

Text TimeOfDay5(const LocalDateTime& t) { return TwoDigits(t.hour) + u":" + TwoDigits(t.minute); }
Text TimeOfDay4(const LocalDateTime& t) { return TwoDigits(t.hour) + TwoDigits(t.minute); }

bool InForecastWindow(TextView windows, const LocalDateTime& now) {
  const Text now4 = TimeOfDay4(now);
  bool result = false;
  for (const Text& item : Split(windows, u";")) {
    if (item.empty()) continue;
    const std::vector<Text> parts = Split(item, u"-");
    if (parts.size() >= 2 && now4 >= parts[0] && now4 <= parts[1]) result = true;
  }
  return result;
}

bool IsDaytime(TextView now5, TextView sunriseLine, TextView sunsetLine) {
  return Text(now5) >= Right(sunriseLine, 5) && Text(now5) <= Right(sunsetLine, 5);
}

std::int16_t MinutesBetween(const LocalDateTime& last, const LocalDateTime& now) {
  const long long m = MinuteNumber(now) - MinuteNumber(last);
  if (m > 32767) return 32767;
  if (m < -32768) return -32768;
  return static_cast<std::int16_t>(m);
}

Text RefreshTooltip(TextView now5, int interval) {
  return Text(now5) + u" 刷新(" + DecimalText(interval < 0 ? -interval : interval) + u")";
}

void RefreshWeather(RefreshCycle& cycle, const WeatherState& weather, RefreshHost& host,
                    const Clock& clock) {
  cycle.RefreshBusy = true;
  const Text now5 = TimeOfDay5(clock.Now());
  Step([&] {
    // A refresh at the regular clock moment fetches the forecast only inside the
    // windows; one started by the user, or late, always fetches it.
    if (cycle.MinutesSinceRefresh == cycle.RefreshInterval) {
      if (InForecastWindow(cycle.ForecastWindows, clock.Now())) host.FetchForecast();
    } else {
      host.FetchForecast();
    }
  });
  Step([&] { host.FetchConditions(); });
  Step([&] {
    if (!cycle.AutoBackground) return;
    const std::int16_t state =
        IsDaytime(now5, weather.ExtraLines[4], weather.ExtraLines[5]) ? 0 : 1;
    if (state != cycle.DayNightState) {
      host.ShowDayBackground(state == 0);
      cycle.DayNightState = state;
    }
  });
  cycle.MinutesSinceRefresh = 0;
  Step([&] { host.RenderAfterRefresh(); });
  Step([&] {
    if (weather.TodayForecast[0].empty()) host.ShowWaitPicture();
  });
  cycle.LastRefreshTime = clock.Now();
  Step([&] { host.SetRefreshTooltip(RefreshTooltip(now5, cycle.RefreshInterval)); });
  Step([&] {
    if (cycle.Front > 0) host.ShowWithoutActivating();
  });
  cycle.RefreshBusy = false;
  Step([&] { host.TrimMemory(); });
}

TickAction TimerTick(RefreshCycle& cycle, const WeatherState& weather, bool forecastPageReceived,
                     const Clock& clock) {
  if (cycle.AutoExit) return TickAction::SaveAndExit;
  std::int16_t minutes = MinutesBetween(cycle.LastRefreshTime, clock.Now());
  // A clock set back (or a time-zone change) would otherwise stop the refreshes until
  // the wall clock catches up with the last refresh.
  if (minutes < 0) minutes = 32767;
  cycle.MinutesSinceRefresh = minutes;
  bool need = weather.TodayForecast[0].empty() || minutes >= cycle.RefreshInterval;
  need = need || (weather.NowTemperature.empty() && forecastPageReceived);
  if (need && !cycle.RefreshBusy) return TickAction::Refresh;
  return TickAction::None;
}

}  // namespace nimbulux
