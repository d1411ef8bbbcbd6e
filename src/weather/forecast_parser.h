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
// module.State, ForecastPageReceived, the large pictures, the lbWind tooltip and the row
// (through FillForecastRow). Pictures are set by name only (see LoadPictures); nothing
// here touches the network except fetchSummary in several-cities mode.
ForecastLines ParseForecastText(WeatherModule& module, const ForecastOptions& options,
                                const SummaryFetcher& fetchSummary, ForecastControls& controls);

// What the widget gives the forecast fetch.
struct ForecastContext {
  ForecastOptions Options;
  std::optional<Picture> WaitPicture;  // the placeholder shown during the fetch
  // Called once the large pictures show the placeholder: the widget applies the
  // controls and lets its pending window events run once.
  std::function<void(const ForecastControls&)> LetEventsRun;
};

// The whole forecast step of a refresh on Weather(): placeholders, the page fetch and
// cleaning when no cleaned page is pending, the parse, the city summaries and the
// pictures through IconCache. controls holds the widget's current state on entry.
void FetchForecast(const ForecastContext& context, ForecastControls& controls);

}  // namespace nimbulux
