// Rules that turn a weather service's values into the portal's words and codes.
#pragma once

#include <optional>
#include <string>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

// The portal's weather code (0..31, see WeatherName) for a WMO weather code as used by
// Open-Meteo (0 clear ... 99 thunderstorm with hail); nothing for codes outside the table.
std::optional<int> PortalCodeForWmo(int wmo);

// One of the eight directions the wind blows from ("北风", "东北风", ...), by 45°
// sectors centred on the directions; degrees outside 0..360 are folded in.
std::string WindDirectionText(double degrees);

// Beaufort level 0..12 for a wind speed in metres per second (WMO table, upper bounds
// 0.2, 1.5, 3.3, 5.4, 7.9, 10.7, 13.8, 17.1, 20.7, 24.4, 28.4, 32.6, compared with the
// unrounded speed). Level 0 is calm: such a wind has no direction.
int BeaufortLevel(double metresPerSecond);
// An observed wind: "小于3级" below level 3, else "N级".
std::string ObservedWindForce(int level);
// A day's strongest wind in the forecast's paired form: "小于3级", "3-4级", "5-6级",
// "7-8级", "9-10级", "11-12级".
std::string ForecastWindForce(int level);

// Metres per second for a speed in the unit a reply names ("km/h", "m/s", "mph", "kn").
std::optional<double> MetresPerSecond(double speed, const std::string& unit);

// The living-index line for a day's highest UV index, by the five levels of China's
// UV index forecast standard (GB/T 36744-2018): 0-2 最弱, 3-4 弱, 5-6 中等, 7-9 强,
// 10 and above 很强.
IndexLine UvIndexLine(double uvIndexMax);

}  // namespace nimbulux::portal_server
