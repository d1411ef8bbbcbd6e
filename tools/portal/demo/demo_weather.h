// The demo weather generator. It is a pure function of (city, date, hour), so the demo
// server always gives the same reply for the same request and tests can compare what a
// reader extracts with what was generated.
#pragma once

#include <string>
#include <vector>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

Observation ObservationFor(const City& city, const PortalTime& t);
DayForecast ForecastFor(const City& city, const PortalTime& t, int dayOffset);
std::vector<IndexLine> IndicesFor(const City& city, const PortalTime& t, bool night);
std::string SunriseFor(const City& city, const PortalTime& t);
std::string SunsetFor(const City& city, const PortalTime& t);
CityWeather WeatherFor(const City& city, const PortalTime& t);

}  // namespace nimbulux::portal_server
