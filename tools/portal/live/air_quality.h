// China's air quality index (HJ 633-2012) from Open-Meteo's hourly air-quality reply.
// The service's own US and European indices are never used: their scales and levels
// differ from China's (PM2.5 at 50 µg/m³ is 良 in China).
//
// The index is the hourly report's: for the hour of the page, PM2.5 and PM10 by their
// 24-hour means, SO2, NO2, CO and O3 by their 1-hour values and O3 also by its 8-hour
// mean, each through the standard's breakpoint table; the index is the largest of the
// sub-indices. Following the standard, an SO2 hour above 800 µg/m³ is rated by its
// 24-hour mean and an O3 8-hour mean above 800 µg/m³ by the 1-hour value instead; sub-
// indices are rounded up to whole numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

// One hour of the reply (µg/m³, CO too), China time; missing where the reply has no
// believable value.
struct AirHour {
  long long day = 0;  // days since 1970-01-01
  int hour = 0;
  std::optional<double> pm25, pm10, ozone, nitrogenDioxide, sulphurDioxide, carbonMonoxide;
};

// Nothing when the text is not an air-quality reply.
std::optional<std::vector<AirHour>> ParseAirQualityReply(std::string_view json);

enum class AirMeasure {
  kPm25Day,
  kPm10Day,
  kSulphurDioxideDay,
  kSulphurDioxideHour,
  kNitrogenDioxideDay,
  kNitrogenDioxideHour,
  kCarbonMonoxideDay,   // mg/m³
  kCarbonMonoxideHour,  // mg/m³
  kOzoneHour,
  kOzoneEightHours,
};

// The sub-index of one concentration (µg/m³; mg/m³ for CO), rounded up; 500 above the
// table's top. Nothing for a negative value or one the standard does not rate by this
// measure (SO2 hours and O3 8-hour means above 800).
std::optional<int> SubIndex(AirMeasure measure, double concentration);

struct ChinaAqi {
  int index = 0;
  std::string level;  // 优, 良, 轻度污染, 中度污染, 重度污染, 严重污染
};

// The level of an index: 0-50 优, 51-100 良, 101-150 轻度污染, 151-200 中度污染,
// 201-300 重度污染, above 300 严重污染.
std::string AqiLevel(int index);

// The index for an hour of a day; nothing when any pollutant lacks the hours its
// averaging period needs (20 of 24 for a 24-hour mean, 6 of 8 for an 8-hour mean).
std::optional<ChinaAqi> ChinaAqiAt(const std::vector<AirHour>& hours, long long day, int hour);

// The page's short note ("空气质量良") and its index line.
std::string AirQualityNote(const ChinaAqi& aqi);
IndexLine AirQualityIndexLine(const ChinaAqi& aqi);

}  // namespace nimbulux::portal_server
