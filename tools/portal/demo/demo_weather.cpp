#include "demo/demo_weather.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <numbers>

namespace nimbulux::portal_server {

namespace {

// --- deterministic noise ---------------------------------------------------------

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t CitySeed(const City& city) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : city.code) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Uniform in [0, 1) for a (seed, channel, integer) triple.
double Hash01(std::uint64_t seed, std::uint64_t channel, long long n) {
  const std::uint64_t h =
      Mix(seed ^ Mix(channel * 0x100000001B3ull ^ static_cast<std::uint64_t>(n)));
  return static_cast<double>(h >> 11) / 9007199254740992.0;
}

// Smooth noise in [0, 1): knots at whole numbers, cosine interpolation between them,
// so that weather drifts from day to day instead of jumping.
double SmoothNoise(std::uint64_t seed, std::uint64_t channel, double x) {
  const double f = std::floor(x);
  const long long i = static_cast<long long>(f);
  const double t = (1 - std::cos((x - f) * std::numbers::pi)) / 2;
  return Hash01(seed, channel, i) * (1 - t) + Hash01(seed, channel, i + 1) * t;
}

enum Channel : std::uint64_t {
  kTempAnomaly = 1,
  kTempJitter,
  kRange,
  kWet,
  kWetJitter,
  kWindDir,
  kWindForce,
  kMissing,
  kMinute,
  kHumidity,
  kPressure,
  kFog,
};

// --- climate ---------------------------------------------------------------------

double AnnualMean(const City& c) { return 27.0 - 0.8 * (c.latitude - 18.0) - 0.004 * c.altitude; }
double SeasonalAmplitude(const City& c) { return 3.0 + 0.65 * (c.latitude - 18.0); }

// 0 in deep winter, 1 in high summer.
double Summerness(long long dayNumber) {
  const PortalTime t = FromDayNumber(dayNumber, 0);
  return (1 - std::cos(2 * std::numbers::pi * (DayOfYear(t) - 20) / 365.25)) / 2;
}

bool IsDryInland(const City& c) { return c.longitude < 108.5 && c.latitude > 33.5; }

// Chance of a wet day: the south and summers are wet, the north-west and northern
// winters dry.
double WetChance(const City& c, long long dayNumber) {
  const double summer = Summerness(dayNumber);
  double base = c.latitude < 32 ? 0.30 + 0.20 * summer : 0.12 + 0.25 * summer;
  if (IsDryInland(c)) base *= 0.55;
  return std::clamp(base, 0.05, 0.6);
}

double MeanTemperature(const City& c, long long dayNumber) {
  const std::uint64_t s = CitySeed(c);
  const double seasonal = AnnualMean(c) - SeasonalAmplitude(c) * (1 - 2 * Summerness(dayNumber));
  const double anomaly = 8.0 * (SmoothNoise(s, kTempAnomaly, dayNumber / 4.0) - 0.5) +
                         2.0 * (Hash01(s, kTempJitter, dayNumber) - 0.5);
  return seasonal + anomaly;
}

// Wetness in [0, 1) for a half day (half = 0 day, 1 night).
double Wetness(const City& c, long long dayNumber, int half) {
  const std::uint64_t s = CitySeed(c);
  const double x = dayNumber / 2.5 + half * 0.2;
  return std::clamp(
      0.8 * SmoothNoise(s, kWet, x) + 0.2 * Hash01(s, kWetJitter, dayNumber * 2 + half), 0.0,
      0.999);
}

int WeatherCode(const City& c, long long dayNumber, int half, int lowTemperature) {
  const double w = Wetness(c, dayNumber, half);
  const double p = WetChance(c, dayNumber);
  const double summer = Summerness(dayNumber);
  if (w >= 1 - p) {
    const double intensity = (w - (1 - p)) / p;  // 0..1
    if (lowTemperature <= -1) {
      if (intensity < 0.3) return 14;  // 小雪
      if (intensity < 0.6) return 15;  // 中雪
      if (intensity < 0.9) return 16;  // 大雪
      return 17;                       // 暴雪
    }
    if (lowTemperature <= 2) return intensity < 0.5 ? 6 : 13;           // 雨夹雪, 阵雪
    if (summer > 0.6 && intensity > 0.35 && intensity < 0.6) return 4;  // 雷阵雨
    if (intensity < 0.2) return 3;                                      // 阵雨
    if (intensity < 0.45) return 7;                                     // 小雨
    if (intensity < 0.65) return 8;                                     // 中雨
    if (intensity < 0.8) return 21;                                     // 小到中雨
    if (intensity < 0.93) return 9;                                     // 大雨
    return 10;                                                          // 暴雨
  }
  const double dryness = w / (1 - p);                                              // 0..1
  if (IsDryInland(c) && summer < 0.5 && summer > 0.2 && dryness > 0.9) return 30;  // 扬沙
  if (summer < 0.3 && half == 0 && Hash01(CitySeed(c), kFog, dayNumber) < 0.06) return 18;  // 雾
  if (dryness > 0.75) return 2;                                                             // 阴
  if (dryness > 0.4) return 1;  // 多云
  return 0;                     // 晴
}

const char* const kDirections[] = {"北风", "东北风", "东风", "东南风",
                                   "南风", "西南风", "西风", "西北风"};

void Wind(const City& c, long long dayNumber, int half, std::string& direction,
          std::string& force) {
  const std::uint64_t s = CitySeed(c);
  const double strength = SmoothNoise(s, kWindForce, dayNumber / 1.5 + half * 0.3);
  // Winter monsoon from the north, summer monsoon from the south.
  const double summer = Summerness(dayNumber);
  const double spread = Hash01(s, kWindDir, dayNumber * 2 + half);
  int index =
      summer > 0.5 ? 3 + static_cast<int>(spread * 3) : (7 + static_cast<int>(spread * 3)) % 8;
  if (strength < 0.2) {
    direction = "无持续风向";
  } else {
    direction = kDirections[index % 8];
  }
  if (strength < 0.35) {
    force = "微风";
  } else if (strength < 0.55) {
    force = "小于3级";
  } else if (strength < 0.75) {
    force = "3-4级";
  } else if (strength < 0.88) {
    force = "4-5级";
  } else if (strength < 0.97) {
    force = "5-6级";
  } else {
    force = "大于8级";
  }
}

void HighLow(const City& c, long long dayNumber, int& high, int& low) {
  const std::uint64_t s = CitySeed(c);
  const double mean = MeanTemperature(c, dayNumber);
  // Wet, cloudy days have a small range; dry inland ones a wide one.
  const double wet = Wetness(c, dayNumber, 0);
  double range =
      6.0 + 6.0 * Hash01(s, kRange, dayNumber) + (IsDryInland(c) ? 4.0 : 0.0) - 5.0 * wet;
  range = std::max(range, 2.0);
  high = static_cast<int>(std::lround(mean + range / 2));
  low = static_cast<int>(std::lround(mean - range / 2));
  if (low >= high) low = high - 1;
}

// Share of the day's range reached at a fractional hour: lowest near 6:00, highest
// near 14:00.
double DiurnalShape(double hour) {
  if (hour < 6) hour += 24;
  if (hour <= 14) return (1 - std::cos(std::numbers::pi * (hour - 6) / 8)) / 2;
  return (1 + std::cos(std::numbers::pi * (hour - 14) / 16)) / 2;
}

std::string TwoDigits(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

std::string ClockText(double hours) {
  int minutes = static_cast<int>(std::lround(hours * 60));
  minutes = ((minutes % 1440) + 1440) % 1440;
  return TwoDigits(minutes / 60) + ":" + TwoDigits(minutes % 60);
}

// Sunrise (sign -1) or sunset (+1) in Beijing time, hours.
double SunEvent(const City& c, const PortalTime& t, int sign) {
  const double pi = std::numbers::pi;
  const int doy = DayOfYear(t);
  const double decl = 23.44 * pi / 180 * std::sin(2 * pi * (284 + doy) / 365.0);
  const double lat = c.latitude * pi / 180;
  const double b = 2 * pi * (doy - 81) / 364.0;
  const double equation = 9.87 * std::sin(2 * b) - 7.53 * std::cos(b) - 1.5 * std::sin(b);
  const double noon = 12 + (120 - c.longitude) / 15 - equation / 60;
  double cosOmega = (std::sin(-0.833 * pi / 180) - std::sin(lat) * std::sin(decl)) /
                    (std::cos(lat) * std::cos(decl));
  cosOmega = std::clamp(cosOmega, -1.0, 1.0);
  const double omega = std::acos(cosOmega) * 180 / pi;
  return noon + sign * omega / 15;
}

const char* Pick(double x, std::initializer_list<const char*> options) {
  const auto n = static_cast<int>(options.size());
  const int i = std::clamp(static_cast<int>(x * n), 0, n - 1);
  return options.begin()[i];
}

}  // namespace

Observation ObservationFor(const City& city, const PortalTime& t) {
  const std::uint64_t s = CitySeed(city);
  const long long day = DayNumber(t);
  const long long stamp = day * 24 + t.hour;
  Observation o;
  o.missing = Hash01(s, kMissing, stamp) < 0.03;
  o.hour = t.hour;
  o.minute = static_cast<int>(Hash01(s, kMinute, stamp) * 6) * 10;

  // Temperature along the day's curve, between this day's and the neighbours' extremes.
  int high = 0, low = 0;
  HighLow(city, day, high, low);
  int nextHigh = 0, nextLow = 0;
  HighLow(city, day + 1, nextHigh, nextLow);
  const double h = t.hour + o.minute / 60.0;
  const double shape = DiurnalShape(h);
  const double base = h < 14 ? low : (low + nextLow) / 2.0;
  o.temperature = static_cast<int>(std::lround(base + (high - base) * shape));

  const int half = (t.hour >= 6 && t.hour < 18) ? 0 : 1;
  std::string force;
  Wind(city, day, half, o.windDirection, force);
  // An observation always has a direction, even on a day forecast as variable.
  if (o.windDirection == "无持续风向") {
    o.windDirection = kDirections[static_cast<int>(Hash01(s, kWindDir, stamp) * 8) % 8];
  }
  const int level = static_cast<int>(SmoothNoise(s, kWindForce, day / 1.5 + half * 0.3) * 6);
  o.windForce = level < 3 ? "小于3级" : std::to_string(level) + "级";

  const double wet = Wetness(city, day, half);
  const double dry = 25 + 60 * wet - 15 * shape + 10 * Hash01(s, kHumidity, stamp);
  o.humidity =
      std::clamp(static_cast<int>(std::lround(IsDryInland(city) ? dry * 0.7 : dry)), 8, 99);
  const double seaLevel = 1013 + 10 * (1 - 2 * Summerness(day)) - 8 * wet;
  o.pressure = static_cast<int>(std::lround(seaLevel * std::exp(-city.altitude / 8400) +
                                            4 * (Hash01(s, kPressure, stamp) - 0.5)));
  return o;
}

DayForecast ForecastFor(const City& city, const PortalTime& t, int dayOffset) {
  const long long day = DayNumber(t) + dayOffset;
  DayForecast f;
  f.date = FromDayNumber(day, 0);
  HighLow(city, day, f.high, f.low);
  f.dayCode = WeatherCode(city, day, 0, f.low);
  f.nightCode = WeatherCode(city, day, 1, f.low);
  f.dayWeather = WeatherName(f.dayCode);
  f.nightWeather = WeatherName(f.nightCode);
  f.dayIcon = IconCode(false, f.dayCode);
  f.nightIcon = IconCode(true, f.nightCode);
  Wind(city, day, 0, f.dayWindDirection, f.dayWindForce);
  Wind(city, day, 1, f.nightWindDirection, f.nightWindForce);
  return f;
}

std::vector<IndexLine> IndicesFor(const City& city, const PortalTime& t, bool night) {
  const DayForecast f = ForecastFor(city, t, 0);
  const double mean = (f.high + f.low) / 2.0;
  const int code = night ? f.nightCode : f.dayCode;
  const bool wet = (code >= 3 && code <= 17) || code == 19 || (code >= 21 && code <= 28);
  const bool sunny = code <= 1;
  const double summer = Summerness(DayNumber(t));
  const double cold = std::clamp((28 - mean) / 36, 0.0, 0.999);  // 0 hot .. 1 bitter cold

  std::vector<IndexLine> out;
  out.push_back({"穿衣指数", Pick(cold, {"炎热", "热", "舒适", "较舒适", "较冷", "冷", "寒冷"}),
                 cold > 0.6   ? "建议着厚羽绒服等隆冬服装。"
                 : cold > 0.3 ? "建议着外套加毛衣。"
                              : "建议着短衫短裤。"});
  if (!night) {
    const double uv = sunny ? 0.3 + 0.6 * summer : wet ? 0.0 : 0.2;
    out.push_back({"紫外线强度指数", Pick(uv, {"最弱", "弱", "中等", "强", "很强"}),
                   uv > 0.5 ? "外出请涂防晒霜。" : "辐射较弱，无需特别防护。"});
    out.push_back({"洗车指数",
                   wet     ? "不宜"
                   : sunny ? "适宜"
                           : "较适宜",
                   wet ? "有降水，洗车后易被弄脏。" : "天气较好，适合洗车。"});
    out.push_back({"感冒指数",
                   Pick(cold * 0.7 + (wet ? 0.3 : 0.0), {"少发", "较易发", "易发", "极易发"}),
                   "注意增减衣物，预防感冒。"});
    out.push_back({"运动指数",
                   wet          ? "较不宜"
                   : cold > 0.7 ? "较适宜"
                                : "适宜",
                   wet ? "有降水，建议在室内运动。" : "天气不错，适宜户外运动。"});
    out.push_back({"晨练指数", wet || code == 18 ? "不宜" : "适宜",
                   wet || code == 18 ? "请在室内晨练。" : "早晨天气不错，适宜晨练。"});
    out.push_back({"晾晒指数",
                   wet     ? "不宜"
                   : sunny ? "极适宜"
                           : "基本适宜",
                   wet ? "有降水，不宜晾晒。" : "抓紧时机晾晒衣物。"});
    out.push_back({"旅游指数", wet ? "较不宜" : "适宜",
                   wet ? "有降水，出游请带雨具。" : "天气较好，适宜出游。"});
  } else {
    out.push_back({"感冒指数",
                   Pick(cold * 0.7 + (wet ? 0.3 : 0.0), {"少发", "较易发", "易发", "极易发"}),
                   "昼夜温差较大，注意保暖。"});
    out.push_back({"夜生活指数", wet || cold > 0.7 ? "较不宜" : "适宜",
                   wet ? "有降水，夜间出行请带雨具。" : "夜间天气较好，可以外出。"});
    out.push_back({"约会指数", wet ? "较不适宜" : "适宜",
                   wet ? "有降水，约会请选室内。" : "天气较好，适宜约会。"});
    out.push_back(
        {"舒适度指数",
         Pick(cold, {"很不舒适", "不舒适", "舒适", "较舒适", "较不舒适", "不舒适", "很不舒适"}),
         "夜间体感温度偏低。"});
    out.push_back({"路况指数",
                   wet          ? "潮湿"
                   : code == 18 ? "能见度低"
                                : "干燥",
                   wet ? "路面湿滑，请小心驾驶。" : "路面干燥，交通状况良好。"});
    out.push_back({"交通指数", wet || code == 18 ? "较差" : "良好",
                   wet ? "出行请注意安全。" : "出行条件良好。"});
    out.push_back({"空气污染扩散条件指数", wet ? "良" : "中", "空气较好。"});
  }
  return out;
}

std::string SunriseFor(const City& city, const PortalTime& t) {
  return ClockText(SunEvent(city, t, -1));
}
std::string SunsetFor(const City& city, const PortalTime& t) {
  return ClockText(SunEvent(city, t, +1));
}

CityWeather WeatherFor(const City& city, const PortalTime& t) {
  CityWeather w;
  w.now = ObservationFor(city, t);
  for (int d = 0; d < 7; ++d) w.days[static_cast<std::size_t>(d)] = ForecastFor(city, t, d);
  w.dayIndices = IndicesFor(city, t, false);
  w.nightIndices = IndicesFor(city, t, true);
  w.sunrise = SunriseFor(city, t);
  w.sunset = SunsetFor(city, t);
  return w;
}

}  // namespace nimbulux::portal_server
