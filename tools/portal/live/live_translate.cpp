#include "live/live_translate.h"

#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>

#include "live/day_halves.h"
#include "live/live_mapping.h"
#include "live/value_checks.h"
#include "pages/solar_terms.h"

namespace nimbulux::portal_server {

namespace {

using nlohmann::json;

std::optional<double> NumberIn(const json& object, const char* key) {
  if (!object.is_object()) return std::nullopt;
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  const double v = it->get<double>();
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<double> NumberAt(const json& daily, const char* key, std::size_t i) {
  if (!daily.is_object()) return std::nullopt;
  const auto it = daily.find(key);
  if (it == daily.end() || !it->is_array() || i >= it->size() || !(*it)[i].is_number()) {
    return std::nullopt;
  }
  const double v = (*it)[i].get<double>();
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string TextAt(const json& daily, const char* key, std::size_t i) {
  if (!daily.is_object()) return "";
  const auto it = daily.find(key);
  if (it == daily.end() || !it->is_array() || i >= it->size() || !(*it)[i].is_string()) return "";
  return (*it)[i].get<std::string>();
}

// The unit a reply gives for a field; the service's documented default when none.
std::string UnitOf(const json& root, const char* block, const char* key, const char* fallback) {
  const auto units = root.find(block);
  if (units == root.end() || !units->is_object()) return fallback;
  const auto it = units->find(key);
  return it != units->end() && it->is_string() ? it->get<std::string>() : fallback;
}

std::optional<double> Celsius(std::optional<double> value, const std::string& unit) {
  if (!value) return std::nullopt;
  if (unit == "°C") return value;
  if (unit == "°F") return (*value - 32) * 5 / 9;
  return std::nullopt;
}

int Whole(double v) { return static_cast<int>(std::lround(v)); }

bool ReadDate(std::string_view s, PortalTime& t) {
  int y = 0, m = 0, d = 0;
  if (s.size() < 10 ||
      std::sscanf(std::string(s.substr(0, 10)).c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) {
    return false;
  }
  if (m < 1 || m > 12 || d < 1 || d > 31) return false;
  t = PortalTime{y, m, d, 0};
  return true;
}

// "2026-12-07T15:00" -> 15, 0.
bool ReadClock(std::string_view s, int& hour, int& minute) {
  const auto t = s.find('T');
  if (t == std::string_view::npos || s.size() < t + 6) return false;
  if (std::sscanf(std::string(s.substr(t + 1, 5)).c_str(), "%2d:%2d", &hour, &minute) != 2) {
    return false;
  }
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

std::string ClockOf(const std::string& isoTime) {
  int h = 0, m = 0;
  if (!ReadClock(isoTime, h, m)) return "";
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", h, m);
  return buf;
}

std::optional<double> WindSpeed(std::optional<double> speed, const std::string& unit) {
  if (!speed) return std::nullopt;
  return CheckedWindSpeed(MetresPerSecond(*speed, unit));
}

// A wind of Beaufort level 0 is calm and has no direction: the portal's words for that.
constexpr char kNoSteadyDirection[] = "无持续风向";

Observation ReadCurrent(const json& root) {
  Observation o;
  const auto it = root.find("current");
  if (it == root.end() || !it->is_object()) {
    // Nothing observed: no value and no time may be claimed.
    o.missing = true;
    o.hasTemperature = o.hasHumidity = o.hasPressure = o.hasTime = false;
    return o;
  }
  const json& c = *it;
  const auto temperature = CheckedCelsius(Celsius(
      NumberIn(c, "temperature_2m"), UnitOf(root, "current_units", "temperature_2m", "°C")));
  o.hasTemperature = temperature.has_value();
  if (temperature) o.temperature = Whole(*temperature);
  const auto humidity = CheckedHumidity(NumberIn(c, "relative_humidity_2m"));
  o.hasHumidity = humidity.has_value();
  if (o.hasHumidity) o.humidity = Whole(*humidity);
  const auto pressure = UnitOf(root, "current_units", "surface_pressure", "hPa") == "hPa"
                            ? CheckedPressure(NumberIn(c, "surface_pressure"))
                            : std::nullopt;
  o.hasPressure = pressure.has_value();
  if (o.hasPressure) o.pressure = Whole(*pressure);
  const auto speed = WindSpeed(NumberIn(c, "wind_speed_10m"),
                               UnitOf(root, "current_units", "wind_speed_10m", "km/h"));
  const int level = speed ? BeaufortLevel(*speed) : -1;
  if (speed) o.windForce = ObservedWindForce(level);
  if (const auto degrees = CheckedDirection(NumberIn(c, "wind_direction_10m"));
      degrees && level != 0) {
    o.windDirection = WindDirectionText(*degrees);
  }
  const auto time = c.find("time");
  o.hasTime =
      time != c.end() && time->is_string() && ReadClock(time->get<std::string>(), o.hour, o.minute);
  return o;
}

DayForecast UnknownDay(const PortalTime& date) {
  DayForecast f;
  f.date = date;
  f.hasHigh = false;
  f.hasLow = false;
  return f;
}

void SetWeather(DayForecast& f, bool night, int wmo) {
  const auto code = PortalCodeForWmo(wmo);
  if (!code) return;
  (night ? f.nightCode : f.dayCode) = *code;
  (night ? f.nightWeather : f.dayWeather) = WeatherName(*code);
  (night ? f.nightIcon : f.dayIcon) = IconCode(night, *code);
}

void SetWind(DayForecast& f, bool night, double metresPerSecond, std::optional<double> degrees) {
  const int level = BeaufortLevel(metresPerSecond);
  (night ? f.nightWindForce : f.dayWindForce) = ForecastWindForce(level);
  std::string& direction = night ? f.nightWindDirection : f.dayWindDirection;
  if (level == 0) {
    direction = kNoSteadyDirection;
  } else if (degrees) {
    direction = WindDirectionText(*degrees);
  }
}

// The day's own values: one code, wind and extremes for both halves.
LiveDay ReadDay(const json& root, const json& daily, std::size_t i, const PortalTime& date) {
  LiveDay day;
  day.date = date;
  DayForecast& f = day.forecast;
  f = UnknownDay(date);
  if (const auto wmo = CheckedWmoCode(NumberAt(daily, "weather_code", i))) {
    SetWeather(f, false, *wmo);
    SetWeather(f, true, *wmo);
  }
  if (const auto high =
          CheckedCelsius(Celsius(NumberAt(daily, "temperature_2m_max", i),
                                 UnitOf(root, "daily_units", "temperature_2m_max", "°C")))) {
    f.hasHigh = true;
    f.high = Whole(*high);
  }
  if (const auto low =
          CheckedCelsius(Celsius(NumberAt(daily, "temperature_2m_min", i),
                                 UnitOf(root, "daily_units", "temperature_2m_min", "°C")))) {
    f.hasLow = true;
    f.low = Whole(*low);
  }
  const auto degrees = CheckedDirection(NumberAt(daily, "wind_direction_10m_dominant", i));
  if (const auto speed = WindSpeed(NumberAt(daily, "wind_speed_10m_max", i),
                                   UnitOf(root, "daily_units", "wind_speed_10m_max", "km/h"))) {
    SetWind(f, false, *speed, degrees);
    SetWind(f, true, *speed, degrees);
  } else if (degrees) {
    f.dayWindDirection = f.nightWindDirection = WindDirectionText(*degrees);
  }
  day.sunrise = ClockOf(TextAt(daily, "sunrise", i));
  day.sunset = ClockOf(TextAt(daily, "sunset", i));
  day.uvIndexMax = CheckedUvIndex(NumberAt(daily, "uv_index_max", i));
  return day;
}

std::vector<HourlyValue> ReadHours(const json& root) {
  std::vector<HourlyValue> hours;
  const auto hourly = root.find("hourly");
  if (hourly == root.end() || !hourly->is_object()) return hours;
  const auto times = hourly->find("time");
  if (times == hourly->end() || !times->is_array()) return hours;
  const std::string celsius = UnitOf(root, "hourly_units", "temperature_2m", "°C");
  const std::string speedUnit = UnitOf(root, "hourly_units", "wind_speed_10m", "km/h");
  for (std::size_t i = 0; i < times->size(); ++i) {
    if (!(*times)[i].is_string()) continue;
    const std::string time = (*times)[i].get<std::string>();
    PortalTime date;
    int minute = 0;
    HourlyValue h;
    if (!ReadDate(time, date) || !ReadClock(time, h.hour, minute)) continue;
    h.day = DayNumber(date);
    h.wmo = CheckedWmoCode(NumberAt(*hourly, "weather_code", i));
    h.celsius = CheckedCelsius(Celsius(NumberAt(*hourly, "temperature_2m", i), celsius));
    h.windMetresPerSecond = WindSpeed(NumberAt(*hourly, "wind_speed_10m", i), speedUnit);
    h.windDegrees = CheckedDirection(NumberAt(*hourly, "wind_direction_10m", i));
    hours.push_back(h);
  }
  return hours;
}

// Each half from its own hours where they are enough; the day's values stay otherwise.
// The high is the day half's, the low the night half's.
void ApplyHalves(DayForecast& f, const std::vector<HourlyValue>& hours) {
  const long long day = DayNumber(f.date);
  const HalfSummary halves[2] = {DayHalf(hours, day), NightHalf(hours, day)};
  for (const bool night : {false, true}) {
    const HalfSummary& h = halves[night ? 1 : 0];
    if (h.wmo) SetWeather(f, night, *h.wmo);
    if (h.strongestWind) SetWind(f, night, *h.strongestWind, h.windDegrees);
  }
  if (halves[0].highCelsius) {
    f.hasHigh = true;
    f.high = Whole(*halves[0].highCelsius);
  }
  if (halves[1].lowCelsius) {
    f.hasLow = true;
    f.low = Whole(*halves[1].lowCelsius);
  }
}

std::string TwoDigitClock(int hour, int minute) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", hour, minute);
  return buf;
}

}  // namespace

std::optional<LiveForecast> ParseForecastReply(std::string_view text) {
  const json root = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return std::nullopt;
  if (const auto error = root.find("error");
      error != root.end() && error->is_boolean() && error->get<bool>()) {
    return std::nullopt;
  }
  const auto current = root.find("current");
  const auto daily = root.find("daily");
  const bool hasCurrent = current != root.end() && current->is_object();
  const bool hasDaily = daily != root.end() && daily->is_object();
  if (!hasCurrent && !hasDaily) return std::nullopt;

  LiveForecast f;
  f.now = ReadCurrent(root);
  const std::vector<HourlyValue> hours = ReadHours(root);
  if (hasCurrent) {
    if (const auto isDay = NumberIn(*current, "is_day")) f.isDay = *isDay != 0;
  }
  if (hasDaily) {
    const auto times = daily->find("time");
    if (times != daily->end() && times->is_array()) {
      for (std::size_t i = 0; i < times->size(); ++i) {
        PortalTime date;
        if (!(*times)[i].is_string() || !ReadDate((*times)[i].get<std::string>(), date)) continue;
        f.days.push_back(ReadDay(root, *daily, i, date));
        ApplyHalves(f.days.back().forecast, hours);
      }
    }
  }
  return f;
}

LivePageValues PageValuesFor(const LiveForecast& forecast, const ChinaClock& now,
                             const std::optional<ChinaAqi>& air) {
  LivePageValues v;
  v.notes.push_back(SolarTermOn(now.time.year, now.time.month, now.time.day));
  if (air) {
    v.notes.push_back(AirQualityNote(*air));
    v.weather.nightIndices.push_back(AirQualityIndexLine(*air));
  }
  const long long today = DayNumber(now.time);
  const LiveDay* todays = nullptr;
  for (int d = 0; d < 7; ++d) {
    const PortalTime date = AddDays(PortalTime{now.time.year, now.time.month, now.time.day, 0}, d);
    DayForecast f = UnknownDay(date);
    for (const LiveDay& day : forecast.days) {
      if (DayNumber(day.date) != today + d) continue;
      f = day.forecast;
      if (d == 0) todays = &day;
    }
    v.weather.days[static_cast<std::size_t>(d)] = f;
  }
  v.weather.now = forecast.now;
  if (todays != nullptr) {
    v.weather.sunrise = todays->sunrise;
    v.weather.sunset = todays->sunset;
    if (todays->uvIndexMax) v.weather.dayIndices.push_back(UvIndexLine(*todays->uvIndexMax));
  }
  if (air) v.weather.dayIndices.push_back(AirQualityIndexLine(*air));
  // The evening layout once the sun has set; the service's day flag where the sunset is
  // unknown; the clock alone where both are.
  const std::string clock = TwoDigitClock(now.time.hour, now.minute);
  if (!v.weather.sunset.empty()) {
    v.night = clock >= v.weather.sunset;
  } else if (forecast.isDay) {
    v.night = !*forecast.isDay && now.time.hour >= 12;
  } else {
    v.night = now.time.hour >= 18;
  }
  v.nightWord = now.time.hour >= 21 ? "晚上" : "夜间";
  return v;
}

ChinaClock ChinaNow() {
  using namespace std::chrono;
  const auto local = system_clock::now() + hours(8);
  const auto day = floor<days>(local);
  const year_month_day ymd{day};
  const hh_mm_ss hms{floor<minutes>(local - day)};
  ChinaClock c;
  c.time = PortalTime{
      static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
      static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(hms.hours().count())};
  c.minute = static_cast<int>(hms.minutes().count());
  return c;
}

}  // namespace nimbulux::portal_server
