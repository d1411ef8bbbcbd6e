#include "live/day_halves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace nimbulux::portal_server {

namespace {

constexpr int kHoursPerHalf = 12;
constexpr int kEnoughHours = kHoursPerHalf / 2;

// Least significant first.
constexpr std::array<int, 28> kSignificance = {0,  1,  2,  3,  45, 48, 51, 53, 55, 61,
                                               80, 63, 81, 65, 82, 71, 77, 85, 73, 75,
                                               86, 56, 57, 66, 67, 95, 96, 99};

bool InHalf(const HourlyValue& h, long long day, bool night) {
  if (!night) return h.day == day && h.hour >= 8 && h.hour <= 19;
  return (h.day == day && h.hour >= 20) || (h.day == day + 1 && h.hour <= 7);
}

HalfSummary Summarise(const std::vector<HourlyValue>& hours, long long day, bool night) {
  int codes = 0, temperatures = 0, winds = 0, directions = 0;
  std::optional<int> wmo;
  double high = -1e9, low = 1e9, strongest = 0, east = 0, north = 0;
  for (const HourlyValue& h : hours) {
    if (!InHalf(h, day, night)) continue;
    if (h.wmo) {
      ++codes;
      if (!wmo || WeatherSignificance(*h.wmo) > WeatherSignificance(*wmo)) wmo = h.wmo;
    }
    if (h.celsius) {
      ++temperatures;
      high = std::max(high, *h.celsius);
      low = std::min(low, *h.celsius);
    }
    if (h.windMetresPerSecond) {
      ++winds;
      strongest = std::max(strongest, *h.windMetresPerSecond);
      if (h.windDegrees) {
        // The direction the wind comes from, weighted by its speed.
        ++directions;
        const double a = *h.windDegrees * std::numbers::pi / 180;
        east += *h.windMetresPerSecond * std::sin(a);
        north += *h.windMetresPerSecond * std::cos(a);
      }
    }
  }
  HalfSummary s;
  if (codes >= kEnoughHours) s.wmo = wmo;
  if (temperatures >= kEnoughHours) {
    s.highCelsius = high;
    s.lowCelsius = low;
  }
  if (winds >= kEnoughHours) s.strongestWind = strongest;
  if (directions >= kEnoughHours && std::hypot(east, north) > 1e-9) {
    double degrees = std::atan2(east, north) * 180 / std::numbers::pi;
    if (degrees < 0) degrees += 360;
    s.windDegrees = degrees;
  }
  return s;
}

}  // namespace

int WeatherSignificance(int wmo) {
  const auto it = std::find(kSignificance.begin(), kSignificance.end(), wmo);
  return it == kSignificance.end() ? -1 : static_cast<int>(it - kSignificance.begin());
}

HalfSummary DayHalf(const std::vector<HourlyValue>& hours, long long day) {
  return Summarise(hours, day, false);
}

HalfSummary NightHalf(const std::vector<HourlyValue>& hours, long long day) {
  return Summarise(hours, day, true);
}

}  // namespace nimbulux::portal_server
