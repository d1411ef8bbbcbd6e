#include "weather/forecast_fetch.h"

#include "net/http_fetch.h"
#include "net/portal.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"
#include "weather/icon_cache.h"

namespace nimbulux {

void FetchForecast(const ForecastContext& context, ForecastView& view) {
  WeatherModule& module = Weather();

  for (ForecastPicture& box : view.TodayPictures) box.ShowWait(context.WaitPicture);
  if (context.LetEventsRun) context.LetEventsRun(view);

  for (std::size_t i = 0; i < 5; ++i) {
    for (ForecastPicture* box : {&view.RowUpper[i], &view.RowLower[i]}) {
      box->ShowNone();
      box->Tooltip.clear();
      box->Tag.clear();
    }
  }

  if (module.PendingForecastText.empty()) {
    Text page = HttpFetch(module.PortalBase + portal::ForecastPagePath(module.CurrentCityId), true);
    module.PendingForecastText = CleanForecastPage(page, module.State, view.NotesTooltip);
  }

  const SummaryFetcher fetchSummary = [&module](TextView cityId) {
    return HttpFetch(module.PortalBase + portal::CitySummaryPath(cityId), true);
  };
  ParseForecastText(module, context.Options, fetchSummary, view);
  LoadPictures(view, context.WaitPicture, [](TextView name) { return IconCache(name, false); });

  // Release the bytes of the last download.
  std::string().swap(ResponseBytes());
}

}  // namespace nimbulux
