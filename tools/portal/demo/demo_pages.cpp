#include "demo/demo_pages.h"

#include "demo/demo_weather.h"
#include "pages/forecast_page.h"
#include "pages/portal_replies.h"
#include "pages/solar_terms.h"

namespace nimbulux::portal_server {

std::string ConditionsReply(const City& city, const PortalTime& time) {
  return ConditionsReply(city, ObservationFor(city, time));
}

std::string CitySummaryReply(const City& city, const PortalTime& time) {
  return CitySummaryReply(city, ForecastFor(city, time, 0), time);
}

std::string ForecastPageHtml(const City& city, const PortalTime& time) {
  ForecastPageInput in;
  in.city = city;
  in.time = time;
  // In the evening hours the page shows tonight only, in its night layout.
  in.night = time.hour >= 18;
  in.nightWord = time.hour >= 21 ? "晚上" : "夜间";
  in.weather = WeatherFor(city, time);
  // The solar term in effect, the first note after the date line.
  in.dateNotes = {SolarTermOn(time.year, time.month, time.day), "空气质量良"};
  in.otherCity = [time](const City& c, int d) -> std::optional<DayForecast> {
    return ForecastFor(c, time, d);
  };
  return ForecastPageHtml(in);
}

}  // namespace nimbulux::portal_server
