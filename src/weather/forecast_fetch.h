// The forecast step of a refresh with its network and picture work; the reading itself
// is ParseForecastText and FillForecastRow.
#pragma once

#include <functional>
#include <optional>

#include "net/picture_decoding.h"
#include "weather/forecast_row.h"

namespace nimbulux {

// What the widget gives the forecast fetch.
struct ForecastContext {
  ForecastOptions Options;
  std::optional<Picture> WaitPicture;  // the placeholder shown during the fetch
  // Called once the large pictures show the placeholder: the widget shows the view
  // and lets its pending window events run once.
  std::function<void(const ForecastView&)> LetEventsRun;
};

// The whole forecast step of a refresh on Weather(): placeholders, the page fetch and
// cleaning when no cleaned page is pending, the parse, the city summaries and the
// pictures through IconCache. view holds what the widget shows on entry.
void FetchForecast(const ForecastContext& context, ForecastView& view);

}  // namespace nimbulux
