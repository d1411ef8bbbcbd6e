// The forecast page "/html/weather/<code>.shtml" of the demo portal.
#pragma once

#include <string>

#include "portal_data.h"

namespace nimbulux::portal_server {

// The whole HTML page (UTF-8) for a city at a moment, built from WeatherFor().
std::string ForecastPageHtml(const City& city, const PortalTime& time);

}  // namespace nimbulux::portal_server
