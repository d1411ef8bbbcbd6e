#include "weather/weather_state.h"

namespace nimbulux {

WeatherModule& Weather() {
  static WeatherModule module;
  return module;
}

bool IsCityIdValue(double value) { return value > 100000000.0 && value < 999999999.0; }

bool IsCityId(TextView text) {
  // Only the leading decimal digits count: no sign, no blanks, no fraction.
  double value = 0;
  std::size_t i = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && i < 18) {
    value = value * 10 + (text[i] - u'0');
    ++i;
  }
  return IsCityIdValue(value);
}

}  // namespace nimbulux
