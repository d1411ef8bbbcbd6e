// The one record of everything read from the portal and the module-level values every
// weather reader shares.
#pragma once

#include <array>
#include <vector>

#include "core/text.h"

namespace nimbulux {

// The 34 text slots, in their fixed order. Values stay text exactly as cut from the
// pages; readers convert where they need a number.
struct WeatherState {
  std::vector<Text> DateWords;          // words of the forecast page's date line
  std::array<Text, 2> PageNotes{};      // the two notes after the date line
  Text CityName;                        // page title before "天气预报", else the real-time name
  Text NowTemperature;                  // value + "℃"; "℃" alone when none was sent
  std::array<Text, 4> TodayForecast{};  // weather, high, low, wind
  std::array<Text, 21> ExtraLines{};    // index lines, sunrise, sunset, header lines
  std::array<Text, 3> NowDetails{};     // humidity, wind, pressure
  Text NowTimeText;                     // "天气实况(" hour ":" minute ")"

  bool operator==(const WeatherState&) const = default;
};

// The weather subsystem's module-level values, one instance for the whole run.
struct WeatherModule {
  Text PortalBase;           // scheme and host, no trailing "/"
  Text CurrentCityId;        // empty: no city chosen
  Text PendingForecastText;  // the cleaned forecast page waiting to be parsed
  bool ForecastPageReceived = false;
  WeatherState State;
};

WeatherModule& Weather();

// A text whose leading decimal digits form a number strictly between 100000000 and
// 999999999 is a city code; anything else is a city name to be looked up.
bool IsCityId(TextView text);

// The same bounds for a number read by the leading-number rule.
bool IsCityIdValue(double value);

}  // namespace nimbulux
