#include "live/live_mapping.h"

#include <array>
#include <cmath>

namespace nimbulux::portal_server {

std::optional<int> PortalCodeForWmo(int wmo) {
  switch (wmo) {
    case 0:
    case 1:      // mainly clear
      return 0;  // 晴
    case 2:
      return 1;  // 多云
    case 3:
      return 2;  // 阴
    case 45:
    case 48:
      return 18;  // 雾
    case 51:
    case 53:
    case 55:  // drizzle
    case 61:
      return 7;  // 小雨
    case 63:
      return 8;  // 中雨
    case 65:
      return 9;  // 大雨
    case 56:
    case 57:
    case 66:
    case 67:
      return 19;  // 冻雨
    case 71:
    case 77:      // snow grains
      return 14;  // 小雪
    case 73:
      return 15;  // 中雪
    case 75:
      return 16;  // 大雪
    case 80:
    case 81:
    case 82:     // violent showers: the table has no stronger shower
      return 3;  // 阵雨
    case 85:
    case 86:
      return 13;  // 阵雪
    case 95:
      return 4;  // 雷阵雨
    case 96:
    case 99:
      return 5;  // 雷阵雨伴有冰雹
    default:
      return std::nullopt;
  }
}

std::string WindDirectionText(double degrees) {
  static const std::array<const char*, 8> kNames = {"北风", "东北风", "东风", "东南风",
                                                    "南风", "西南风", "西风", "西北风"};
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  // Sector i covers [45i - 22.5, 45i + 22.5); the upper edge belongs to the next one.
  const int sector = static_cast<int>(std::floor((d + 22.5) / 45.0)) % 8;
  return kNames[static_cast<std::size_t>(sector)];
}

int BeaufortLevel(double metresPerSecond) {
  static const std::array<double, 12> kUpper = {0.2,  1.5,  3.3,  5.4,  7.9,  10.7,
                                                13.8, 17.1, 20.7, 24.4, 28.4, 32.6};
  // The speed as given: rounding it first would move every edge by half a step.
  for (std::size_t level = 0; level < kUpper.size(); ++level) {
    if (metresPerSecond <= kUpper[level]) return static_cast<int>(level);
  }
  return 12;
}

std::string ObservedWindForce(int level) {
  return level < 3 ? "小于3级" : std::to_string(level) + "级";
}

std::string ForecastWindForce(int level) {
  if (level < 3) return "小于3级";
  const int low = level % 2 == 1 ? level : level - 1;  // 3-4, 5-6, 7-8, 9-10, 11-12
  return std::to_string(low) + "-" + std::to_string(low + 1) + "级";
}

std::optional<double> MetresPerSecond(double speed, const std::string& unit) {
  if (unit == "m/s") return speed;
  if (unit == "km/h") return speed / 3.6;
  if (unit == "mph") return speed * 0.44704;
  if (unit == "kn") return speed * 0.514444;
  return std::nullopt;
}

IndexLine UvIndexLine(double uv) {
  const long level = std::lround(uv);
  if (level <= 2) return {"紫外线强度指数", "最弱", "辐射最弱，无需特别防护。"};
  if (level <= 4) return {"紫外线强度指数", "弱", "辐射较弱，外出可涂擦低倍数防晒霜。"};
  if (level <= 6) return {"紫外线强度指数", "中等", "外出请戴帽子或太阳镜，涂擦防晒霜。"};
  if (level <= 9) return {"紫外线强度指数", "强", "避免正午外出，涂擦高倍数防晒霜。"};
  return {"紫外线强度指数", "很强", "尽量避免外出，必须外出时做好全面防护。"};
}

}  // namespace nimbulux::portal_server
