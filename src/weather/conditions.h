// The real-time conditions of the current city: temperature, wind, humidity, pressure
// and observation time, read by piece number from the portal's "/data/sk/" reply.
#pragma once

#include <cstdint>

#include "core/text.h"
#include "weather/weather_state.h"

namespace nimbulux {

// What the widget needs to choose its window icon after a read.
struct ConditionsResult {
  // The temperature in whole degrees (halves to even), 0 when none could be read.
  std::int16_t wholeDegrees = 0;
  // True: show the temperature icon of wholeDegrees; false: the default tray icon.
  bool useTemperatureIcon = false;
};

// Fetches PortalBase + "/data/sk/" + CurrentCityId + ".html" (with a random query) and
// reads it into Weather().State.
ConditionsResult FetchConditions();

// Reads one reply text into state; every field stands alone, a missing piece leaves
// its field empty.
ConditionsResult ReadConditions(TextView reply, WeatherState& state);

}  // namespace nimbulux
