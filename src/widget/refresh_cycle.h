// When the widget fetches weather again and what one refresh does, in which order.
// The steps that touch the window or the network go through RefreshHost, so the
// order and the decisions are tested without either.
#pragma once

#include <cstdint>

#include "core/clock.h"
#include "core/setting_defaults.h"
#include "core/text.h"
#include "weather/weather_state.h"

namespace nimbulux {

struct RefreshCycle {
  bool RefreshBusy = false;
  std::int16_t MinutesSinceRefresh = 0;
  LocalDateTime LastRefreshTime{};
  std::int16_t RefreshInterval = kDefaultRefreshInterval;  // minutes
  Text ForecastWindows = Text(kDefaultForecastWindows);
  bool AutoExit = false;
  bool AutoBackground = false;
  std::int16_t DayNightState = 2;  // 0 day, 1 night, 2 not yet applied
  std::int16_t Front = 0;          // > 0: show the widget after each refresh
};

// What a refresh does outside this module.
class RefreshHost {
 public:
  virtual ~RefreshHost() = default;
  virtual void FetchForecast() = 0;
  virtual void FetchConditions() = 0;
  // true: the day picture (the user's), false: the night picture (the built-in one).
  virtual void ShowDayBackground(bool day) = 0;
  // Sets the view back to normal and redraws every text and the tray tooltip.
  virtual void RenderAfterRefresh() = 0;
  virtual void ShowWaitPicture() = 0;
  virtual void SetRefreshTooltip(const Text& tooltip) = 0;
  virtual void ShowWithoutActivating() = 0;
  virtual void TrimMemory() = 0;
};

// "HH:mm" and "HHMM" of a time of day.
Text TimeOfDay5(const LocalDateTime& t);
Text TimeOfDay4(const LocalDateTime& t);

// True when the time lies in at least one "HHMM-HHMM" window of the ";" list, both
// ends included, compared as texts (so a window across midnight never matches).
bool InForecastWindow(TextView windows, const LocalDateTime& now);

// Day when now5 lies between the times that end the sunrise and sunset lines.
bool IsDaytime(TextView now5, TextView sunriseLine, TextView sunsetLine);

// Minute boundaries from last to now, limited to the 16-bit count.
std::int16_t MinutesBetween(const LocalDateTime& last, const LocalDateTime& now);

// The tooltip of the first big picture after a refresh: "17:05 刷新(30)".
Text RefreshTooltip(TextView now5, int interval);

// One complete refresh; every step runs whatever the previous one did.
void RefreshWeather(RefreshCycle& cycle, const WeatherState& weather, RefreshHost& host,
                    const Clock& clock);

enum class TickAction { None, Refresh, SaveAndExit };

// The widget timer's tick: updates MinutesSinceRefresh and says what to do.
TickAction TimerTick(RefreshCycle& cycle, const WeatherState& weather, bool forecastPageReceived,
                     const Clock& clock);

}  // namespace nimbulux
