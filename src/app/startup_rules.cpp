#include "app/startup_rules.h"

#include "core/twips.h"
#include "weather/weather_state.h"

namespace nimbulux {

std::optional<double> StoredLeftTwips(TextView stored, int virtualLeftPx, int virtualWidthPx) {
  if (stored.empty()) return std::nullopt;
  const double twips = LeadingNumber(stored);
  const double x = twips / kTwipsPerPixel;
  if (x >= virtualLeftPx - 150 && x + 150 <= virtualLeftPx + virtualWidthPx) return twips;
  return std::nullopt;
}

std::optional<double> StoredTopTwips(TextView stored, int screenHeightPx) {
  if (stored.empty()) return std::nullopt;
  const double twips = LeadingNumber(stored);
  if (twips < 1) return 1.0;
  if (twips + 100 * kTwipsPerPixel > screenHeightPx * kTwipsPerPixel) {
    return (screenHeightPx / 2.0 - 100) * kTwipsPerPixel;
  }
  return twips;
}

Text ChooseCurrentCity(TextView storedId, TextView fileNameCity, TextView localArgument,
                       const std::function<Text(TextView)>& lookUp) {
  Text city(storedId);
  if (!fileNameCity.empty()) city = Text(fileNameCity);
  if (IsCityIdValue(LeadingNumber(localArgument))) {
    city = Text(localArgument);
  } else if (!localArgument.empty() && lookUp) {
    const Text found = lookUp(localArgument);
    if (IsCityIdValue(LeadingNumber(found))) city = found;
  }
  return city;
}

}  // namespace nimbulux
