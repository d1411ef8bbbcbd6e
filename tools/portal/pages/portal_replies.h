// The text replies of the portal, as plain functions of their values, so the server
// and the tests produce the very same bytes.
// All replies are UTF-8. A credit, where given, goes where no reader looks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

// The words the portal puts in every value of a missing observation.
inline constexpr char kMissingObservation[] = "暂无实况";

// "/data/sk/<code>.html": one line of quoted key:value pairs. Pieces (split at ","):
// 0 city, 1 code, 2 temperature, 3 wind direction, 4 wind force, 5 humidity,
// 6 pressure, 7 visibility, 8 time as key:hour:minute, then further pieces.
// Unknown values are sent as the missing-observation words, which readers drop.
std::string ConditionsReply(const City& city, const Observation& o, std::string_view credit = {});

// "/data/cityinfo/<code>.html": eight pieces: city, code, high, low, weather,
// day icon file, night icon file, publishing time.
// Without today's weather and both temperatures the reply holds the city only: a reader
// then leaves the city's slot empty instead of showing a made-up 0.
std::string CitySummaryReply(const City& city, const DayForecast& today, const PortalTime& time,
                             std::string_view credit = {});

// "/static/html/weather_list.shtml": one region block per region, cities as <li>
// items linking to "/html/weather/<code>.shtml".
std::string CityListPage(std::string_view credit = {});

// "/static/url.php": the POST body "cityinfo=" + name (UTF-8; a percent-encoded name
// is accepted too). The reply holds "weather/" + code + ".shtml", code 999999999 for
// an unknown name.
std::string SearchReply(std::string_view body);
// The same with a resolver of names outside the directory: their code, empty when there
// is no such place, nothing when the search could not be made. Nothing then: the caller
// answers that the search is unavailable, never "no such place".
using PlaceResolver = std::function<std::optional<std::string>(const std::string& name)>;
std::optional<std::string> SearchReply(std::string_view body, const PlaceResolver& resolveOther,
                                       std::string_view credit = {});

}  // namespace nimbulux::portal_server
