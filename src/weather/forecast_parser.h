// Reads the cleaned forecast page by line number: today's (or tonight's) forecast, the
// weather index lines, sunrise and sunset, the two large pictures and the per-day table
// of the forecast row.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "core/text.h"
#include "weather/forecast_row.h"
#include "weather/weather_state.h"

namespace nimbulux {

// The two readings of the cleaned text the parse works on, for callers that look.
struct ForecastLines {
  std::vector<Text> MainLines;  // the block before "FutWeather", one entry per line
  std::vector<Text> RowLines;   // the per-day table the row is filled from
};

// "a" when both are equal, else a + "转" + b.
Text WeatherPair(TextView a, TextView b);
// A wind direction without its "风".
Text ShortDirection(TextView direction);

// Parses module.PendingForecastText and empties it: fills TodayForecast and ExtraLines of
// module.State, ForecastPageReceived, the large pictures, the wind tooltip and the row
// (through FillForecastRow). Pictures are set by name only (see LoadPictures); nothing
// here touches the network except fetchSummary in several-cities mode.
ForecastLines ParseForecastText(WeatherModule& module, const ForecastOptions& options,
                                const SummaryFetcher& fetchSummary, ForecastView& view);

}  // namespace nimbulux
