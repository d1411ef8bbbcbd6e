// The physical ranges a weather service's values must fall in to be believed. A value
// outside its range, infinite or not a number is treated as missing: a broken reply must
// not reach a reader as weather.
#pragma once

#include <optional>

namespace nimbulux::portal_server {

// Air temperature in °C: -90..60.
std::optional<double> CheckedCelsius(std::optional<double> celsius);
// Relative humidity in %: 0..100.
std::optional<double> CheckedHumidity(std::optional<double> percent);
// Wind speed in m/s: 0..150.
std::optional<double> CheckedWindSpeed(std::optional<double> metresPerSecond);
// Any finite direction, folded into 0..360 (360 itself becomes 0).
std::optional<double> CheckedDirection(std::optional<double> degrees);
// Surface pressure in hPa: 500..1100.
std::optional<double> CheckedPressure(std::optional<double> hectopascal);
// UV index: 0..20.
std::optional<double> CheckedUvIndex(std::optional<double> index);
// A weather code of the WMO table that Open-Meteo documents (0, 1, 2, 3, 45, 48, 51..57
// odd, 61..67 odd, 71..77 odd, 80..82, 85, 86, 95, 96, 99), given as a whole number.
std::optional<int> CheckedWmoCode(std::optional<double> code);

}  // namespace nimbulux::portal_server
