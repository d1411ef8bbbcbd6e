// The text replies of the demo portal, as plain functions of (city, moment), so the
// server and the tests produce the very same bytes. All replies are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "portal_data.h"

namespace nimbulux::portal_server {

// The words the portal puts in every value of a missing observation.
inline constexpr char kMissingObservation[] = "暂无实况";

// "/data/sk/<code>.html": one line of quoted key:value pairs. Pieces (split at ","):
// 0 city, 1 code, 2 temperature, 3 wind direction, 4 wind force, 5 humidity,
// 6 pressure, 7 visibility, 8 time as key:hour:minute, then further pieces.
std::string ConditionsReply(const City& city, const PortalTime& time);

// "/data/cityinfo/<code>.html": eight pieces: city, code, high, low, weather,
// day icon file, night icon file, publishing time.
std::string CitySummaryReply(const City& city, const PortalTime& time);

// "/static/html/weather_list.shtml": one region block per region, cities as <li>
// items linking to "/html/weather/<code>.shtml".
std::string CityListPage();

// "/static/url.php": the POST body "cityinfo=" + name (UTF-8; a percent-encoded name
// is accepted too). The reply holds "weather/" + code + ".shtml", code 999999999 for
// an unknown name.
std::string SearchReply(std::string_view body);

}  // namespace nimbulux::portal_server
