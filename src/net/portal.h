// Every request the widget makes of the weather portal, in one place.
#pragma once

#include "core/text.h"

namespace nimbulux::portal {

// The built-in portal: the demo server of this project on the local machine.
inline constexpr char16_t kDefaultPortalBase[] = u"http://127.0.0.1:8086";
// The search service lives under its own base address (the same demo server).
inline constexpr char16_t kDefaultSearchBase[] = u"http://127.0.0.1:8086";

// The portal base: NIMBULUX_PORTAL when set (trailing "/" removed), else the default.
Text PortalBaseFromEnvironment();
// The search service base: NIMBULUX_SEARCH when set, else the default.
Text SearchBaseFromEnvironment();

// Paths, appended to the portal base.
Text ConditionsPath(TextView cityId);    // "/data/sk/" + id + ".html"
Text ForecastPagePath(TextView cityId);  // "/html/weather/" + id + ".shtml"
Text CitySummaryPath(TextView cityId);   // "/data/cityinfo/" + id + ".html"
// "/m/i/icon_weather/" + size + "/" + code + ".gif", size "42x30" or "21x15".
Text IconPath(TextView size, TextView code);
inline constexpr char16_t kIconPathPrefix[] = u"/m/i/icon_weather/";
inline constexpr char16_t kCityListPath[] = u"/static/html/weather_list.shtml";
inline constexpr char16_t kSearchPath[] = u"/static/url.php";
inline constexpr char16_t kSearchContentType[] = u"application/x-www-form-urlencoded";
// The search body: "cityinfo=" + the name as UTF-8 bytes, not percent-encoded.
std::string SearchBody(TextView name);
// What the search service answers for a name it does not know.
inline constexpr char16_t kUnknownCityCode[] = u"999999999";

}  // namespace nimbulux::portal
