// A day's two halves from hourly values, China time: the day half runs from 08:00 to
// 19:59, the night half from 20:00 to 07:59 the next morning.
//
// One weather code stands for each half: the most significant weather among its hours,
// ranked thunderstorm (with hail above without), then freezing precipitation, snow, rain
// and showers, drizzle, fog, and cloud (overcast above partly cloudy above clear); within
// a kind the heavier intensity ranks higher, and showers rank just above the steady rain
// or snow of the same intensity.
#pragma once

#include <optional>
#include <vector>

namespace nimbulux::portal_server {

// One hour of the service's hourly series, already checked (see value_checks.h).
struct HourlyValue {
  long long day = 0;  // days since 1970-01-01 of the China date
  int hour = 0;       // 0..23
  std::optional<int> wmo;
  std::optional<double> celsius;
  std::optional<double> windMetresPerSecond;
  std::optional<double> windDegrees;
};

// What a half's hours say; each value is missing when fewer than half of the half's
// hours give it, and the day's own values stand in.
struct HalfSummary {
  std::optional<int> wmo;
  std::optional<double> highCelsius;
  std::optional<double> lowCelsius;
  std::optional<double> strongestWind;  // m/s
  // Direction of the half's mean wind vector; missing when the mean wind is still.
  std::optional<double> windDegrees;
};

HalfSummary DayHalf(const std::vector<HourlyValue>& hours, long long day);
HalfSummary NightHalf(const std::vector<HourlyValue>& hours, long long day);

// The rank of a WMO code by the order above; higher is more significant, -1 for a code
// outside the table.
int WeatherSignificance(int wmo);

}  // namespace nimbulux::portal_server
