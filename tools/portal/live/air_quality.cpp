#include "live/air_quality.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace nimbulux::portal_server {

namespace {

using nlohmann::json;

// Concentration breakpoints for the sub-indices 0, 50, 100, 150, 200, 300, 400, 500;
// a measure rated only up to some level ends its row early.
struct Breakpoints {
  std::array<double, 8> concentration;
  int count;
};

constexpr std::array<int, 8> kIndexSteps = {0, 50, 100, 150, 200, 300, 400, 500};

Breakpoints TableOf(AirMeasure m) {
  switch (m) {
    case AirMeasure::kSulphurDioxideDay:
      return {{0, 50, 150, 475, 800, 1600, 2100, 2620}, 8};
    case AirMeasure::kSulphurDioxideHour:
      return {{0, 150, 500, 650, 800}, 5};
    case AirMeasure::kNitrogenDioxideDay:
      return {{0, 40, 80, 180, 280, 565, 750, 940}, 8};
    case AirMeasure::kNitrogenDioxideHour:
      return {{0, 100, 200, 700, 1200, 2340, 3090, 3840}, 8};
    case AirMeasure::kPm10Day:
      return {{0, 50, 150, 250, 350, 420, 500, 600}, 8};
    case AirMeasure::kCarbonMonoxideDay:
      return {{0, 2, 4, 14, 24, 36, 48, 60}, 8};
    case AirMeasure::kCarbonMonoxideHour:
      return {{0, 5, 10, 35, 60, 90, 120, 150}, 8};
    case AirMeasure::kOzoneHour:
      return {{0, 160, 200, 300, 400, 800, 1000, 1200}, 8};
    case AirMeasure::kOzoneEightHours:
      return {{0, 100, 160, 215, 265, 800}, 6};
    case AirMeasure::kPm25Day:
      break;
  }
  return {{0, 35, 75, 115, 150, 250, 350, 500}, 8};
}

// Largest believable concentrations (µg/m³): beyond them a value is a broken reply.
constexpr double kMostParticles = 5000;
constexpr double kMostGas = 10000;
constexpr double kMostCarbonMonoxide = 200000;

std::optional<double> Concentration(const json& hourly, const json& units, const char* key,
                                    std::size_t i, double most) {
  if (units.is_object()) {
    const auto unit = units.find(key);
    if (unit != units.end() && unit->is_string() && *unit != "μg/m³" && *unit != "µg/m³") {
      return std::nullopt;
    }
  }
  const auto it = hourly.find(key);
  if (it == hourly.end() || !it->is_array() || i >= it->size() || !(*it)[i].is_number()) {
    return std::nullopt;
  }
  const double v = (*it)[i].get<double>();
  if (!std::isfinite(v) || v < 0 || v > most) return std::nullopt;
  return v;
}

bool ReadHour(const std::string& s, long long& day, int& hour) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d", &y, &mo, &d, &h, &mi) != 5) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23) return false;
  using namespace std::chrono;
  const year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)},
                           std::chrono::day{static_cast<unsigned>(d)}};
  if (!ymd.ok()) return false;
  day = sys_days{ymd}.time_since_epoch().count();
  hour = h;
  return true;
}

using Field = std::optional<double> AirHour::*;

// The mean of a field over the `span` hours that end with the given hour; nothing when
// fewer than `needed` of them give it.
std::optional<double> Mean(const std::vector<AirHour>& hours, Field field, long long day, int hour,
                           int span, int needed) {
  const long long last = day * 24 + hour;
  double sum = 0;
  int n = 0;
  for (const AirHour& h : hours) {
    const long long at = h.day * 24 + h.hour;
    if (at > last || at <= last - span || !(h.*field)) continue;
    sum += *(h.*field);
    ++n;
  }
  if (n < needed) return std::nullopt;
  return sum / n;
}

}  // namespace

std::optional<std::vector<AirHour>> ParseAirQualityReply(std::string_view text) {
  const json root = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return std::nullopt;
  if (const auto error = root.find("error");
      error != root.end() && error->is_boolean() && error->get<bool>()) {
    return std::nullopt;
  }
  const auto hourly = root.find("hourly");
  if (hourly == root.end() || !hourly->is_object()) return std::nullopt;
  const auto times = hourly->find("time");
  if (times == hourly->end() || !times->is_array()) return std::nullopt;
  const auto unitsIt = root.find("hourly_units");
  const json units = unitsIt != root.end() ? *unitsIt : json();
  std::vector<AirHour> out;
  for (std::size_t i = 0; i < times->size(); ++i) {
    AirHour h;
    if (!(*times)[i].is_string() || !ReadHour((*times)[i].get<std::string>(), h.day, h.hour)) {
      continue;
    }
    h.pm25 = Concentration(*hourly, units, "pm2_5", i, kMostParticles);
    h.pm10 = Concentration(*hourly, units, "pm10", i, kMostParticles);
    h.ozone = Concentration(*hourly, units, "ozone", i, kMostGas);
    h.nitrogenDioxide = Concentration(*hourly, units, "nitrogen_dioxide", i, kMostGas);
    h.sulphurDioxide = Concentration(*hourly, units, "sulphur_dioxide", i, kMostGas);
    h.carbonMonoxide = Concentration(*hourly, units, "carbon_monoxide", i, kMostCarbonMonoxide);
    out.push_back(h);
  }
  return out;
}

std::optional<int> SubIndex(AirMeasure measure, double c) {
  if (!std::isfinite(c) || c < 0) return std::nullopt;
  const Breakpoints t = TableOf(measure);
  const int top = t.count - 1;
  if (c > t.concentration[static_cast<std::size_t>(top)]) {
    // Rows that end early hand the rating to another measure.
    if (t.count < 8) return std::nullopt;
    return 500;
  }
  for (int i = 1; i <= top; ++i) {
    const double high = t.concentration[static_cast<std::size_t>(i)];
    if (c > high) continue;
    const double low = t.concentration[static_cast<std::size_t>(i - 1)];
    const int indexLow = kIndexSteps[static_cast<std::size_t>(i - 1)];
    const int indexHigh = kIndexSteps[static_cast<std::size_t>(i)];
    const double exact = indexLow + (indexHigh - indexLow) * (c - low) / (high - low);
    // Rounded up; the tolerance keeps a breakpoint's own index from rounding past it.
    return static_cast<int>(std::ceil(exact - 1e-9));
  }
  return 0;
}

std::string AqiLevel(int index) {
  if (index <= 50) return "优";
  if (index <= 100) return "良";
  if (index <= 150) return "轻度污染";
  if (index <= 200) return "中度污染";
  if (index <= 300) return "重度污染";
  return "严重污染";
}

std::optional<ChinaAqi> ChinaAqiAt(const std::vector<AirHour>& hours, long long day, int hour) {
  const auto dayMean = [&](Field f) { return Mean(hours, f, day, hour, 24, 20); };
  const auto hourValue = [&](Field f) { return Mean(hours, f, day, hour, 1, 1); };
  const auto pm25 = dayMean(&AirHour::pm25);
  const auto pm10 = dayMean(&AirHour::pm10);
  const auto so2 = hourValue(&AirHour::sulphurDioxide);
  const auto no2 = hourValue(&AirHour::nitrogenDioxide);
  const auto co = hourValue(&AirHour::carbonMonoxide);
  const auto o3 = hourValue(&AirHour::ozone);
  const auto o3Eight = Mean(hours, &AirHour::ozone, day, hour, 8, 6);
  if (!pm25 || !pm10 || !so2 || !no2 || !co || !o3 || !o3Eight) return std::nullopt;

  std::vector<std::optional<int>> parts = {
      SubIndex(AirMeasure::kPm25Day, *pm25),
      SubIndex(AirMeasure::kPm10Day, *pm10),
      SubIndex(AirMeasure::kNitrogenDioxideHour, *no2),
      SubIndex(AirMeasure::kCarbonMonoxideHour, *co / 1000),
      SubIndex(AirMeasure::kOzoneHour, *o3),
      SubIndex(AirMeasure::kOzoneEightHours, *o3Eight),
  };
  if (const auto so2Hour = SubIndex(AirMeasure::kSulphurDioxideHour, *so2)) {
    parts.push_back(so2Hour);
  } else {
    const auto so2Day = dayMean(&AirHour::sulphurDioxide);
    if (!so2Day) return std::nullopt;
    parts.push_back(SubIndex(AirMeasure::kSulphurDioxideDay, *so2Day));
  }
  ChinaAqi aqi;
  for (const auto& p : parts) {
    if (p && *p > aqi.index) aqi.index = *p;
  }
  aqi.level = AqiLevel(aqi.index);
  return aqi;
}

std::string AirQualityNote(const ChinaAqi& aqi) { return "空气质量" + aqi.level; }

IndexLine AirQualityIndexLine(const ChinaAqi& aqi) {
  const std::string index = "AQI " + std::to_string(aqi.index) + "，";
  if (aqi.index <= 50)
    return {"空气质量指数", aqi.level, index + "空气质量令人满意，各类人群可正常活动。"};
  if (aqi.index <= 100) {
    return {"空气质量指数", aqi.level, index + "极少数异常敏感人群应减少户外活动。"};
  }
  if (aqi.index <= 150) {
    return {"空气质量指数", aqi.level,
            index + "儿童、老年人及心脏病、呼吸系统疾病患者应减少长时间、高强度的户外锻炼。"};
  }
  if (aqi.index <= 200) {
    return {"空气质量指数", aqi.level,
            index +
                "儿童、老年人及心脏病、呼吸系统疾病患者避免长时间、高强度的户外锻炼，"
                "一般人群适量减少户外运动。"};
  }
  if (aqi.index <= 300) {
    return {"空气质量指数", aqi.level,
            index +
                "儿童、老年人和心脏病、肺病患者应停留在室内，停止户外运动，"
                "一般人群减少户外运动。"};
  }
  return {"空气质量指数", aqi.level,
          index + "儿童、老年人和病人应当留在室内，避免体力消耗，一般人群应避免户外活动。"};
}

}  // namespace nimbulux::portal_server
