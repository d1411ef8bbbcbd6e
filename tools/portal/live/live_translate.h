// Open-Meteo's forecast reply turned into the values the portal's pages are written from.
// Nothing is made up: a value the reply lacks (null, missing, unknown unit or code)
// stays unknown.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/air_quality.h"
#include "pages/portal_data.h"

namespace nimbulux::portal_server {

struct LiveDay {
  PortalTime date;
  DayForecast forecast;
  std::string sunrise;  // "HH:mm"; empty when unknown
  std::string sunset;
  std::optional<double> uvIndexMax;
};

struct LiveForecast {
  Observation now;  // missing when the reply has no current block
  std::optional<bool> isDay;
  std::vector<LiveDay> days;  // in the reply's order
};

// Nothing when the text is not a forecast reply (not JSON, an error object, or neither
// a current nor a daily block).
std::optional<LiveForecast> ParseForecastReply(std::string_view json);

// The moment a page is written for, in China time: the date and hour, and the minute.
struct ChinaClock {
  PortalTime time;
  int minute = 0;
};

// What the pages show for today: the seven days from today on (days the reply does not
// cover are unknown), the indices that follow from real data, the notes after the date
// line, and the layout.
struct LivePageValues {
  CityWeather weather;
  bool night = false;
  std::string nightWord;           // "夜间" or "晚上"
  std::vector<std::string> notes;  // the solar term, then the air quality when known
};
LivePageValues PageValuesFor(const LiveForecast& forecast, const ChinaClock& now,
                             const std::optional<ChinaAqi>& air = std::nullopt);

// The current China time (UTC+8 all year).
ChinaClock ChinaNow();

}  // namespace nimbulux::portal_server
