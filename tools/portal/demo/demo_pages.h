// The demo source's replies: the shared page writers fed from the demo generator.
#pragma once

#include <string>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

std::string ConditionsReply(const City& city, const PortalTime& time);
std::string CitySummaryReply(const City& city, const PortalTime& time);
// The forecast page of a city at a moment, from WeatherFor().
std::string ForecastPageHtml(const City& city, const PortalTime& time);

}  // namespace nimbulux::portal_server
