// The forecast page "/html/weather/<code>.shtml". Demo and live pages come from the
// same writer, so the line layout that the widget reads by line number exists once.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

// Our portal's name, in the page title and the logo's text.
inline constexpr char kPortalName[] = "Nimbulux 天气门户";

struct ForecastPageInput {
  City city;
  PortalTime time;  // the date line
  // Tonight only, in the night layout; nightWord is then "夜间" or "晚上".
  bool night = false;
  std::string nightWord = "夜间";
  CityWeather weather;
  // The two short notes after the date line; absent notes are left out.
  std::vector<std::string> dateNotes;
  // Another city's forecast for the page's inline tables; nothing where none is known.
  std::function<std::optional<DayForecast>(const City&, int dayOffset)> otherCity;
  // A footer line that names the data source; none when empty.
  std::string credit;
};

std::string ForecastPageHtml(const ForecastPageInput& input);

}  // namespace nimbulux::portal_server
