// The forecast step with its network and picture work; the reading itself is in
// ParseForecastText and FillForecastRow.
#include "net/http_fetch.h"
#include "net/portal.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"
#include "weather/icon_cache.h"

namespace nimbulux {

void FetchForecast(const ForecastContext& context, ForecastControls& controls) {
  WeatherModule& module = Weather();

  for (PictureBox& box : controls.Image2) box.ShowWait(context.WaitPicture);
  if (context.LetEventsRun) context.LetEventsRun(controls);

  for (std::size_t i = 0; i < 5; ++i) {
    for (PictureBox* box : {&controls.Image1[i], &controls.Image3[i]}) {
      box->ShowNone();
      box->Tooltip.clear();
      box->Tag.clear();
    }
  }

  if (module.PendingForecastText.empty()) {
    Text page = HttpFetch(module.PortalBase + portal::ForecastPagePath(module.CurrentCityId), true);
    module.PendingForecastText = CleanForecastPage(page, module.State, controls.NotesTooltip);
  }

  const SummaryFetcher fetchSummary = [&module](TextView cityId) {
    return HttpFetch(module.PortalBase + portal::CitySummaryPath(cityId), true);
  };
  ParseForecastText(module, context.Options, fetchSummary, controls);
  LoadPictures(controls, context.WaitPicture, [](TextView name) { return IconCache(name, false); });

  // Release the bytes of the last download.
  std::string().swap(ResponseBytes());
}

}  // namespace nimbulux
