#include "pages/portal_data.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>

#include "city_table.h"

namespace nimbulux::portal_server {

namespace {

std::vector<std::string> SplitAt(std::string_view line, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    fields.emplace_back(line.substr(start, end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

// Locale-independent, unlike strtod.
double Number(const std::string& s) {
  double v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

// The table is ours and compiled in: a malformed line is a build mistake, and the
// directory test catches it, so such a line is skipped rather than guessed at.
std::vector<City> ParseCityTable(std::string_view table) {
  std::vector<City> cities;
  for (const std::string& line : SplitAt(table, '\n')) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = SplitAt(line, '\t');
    if (f.size() != 8 || f[0] == "code") continue;
    cities.push_back(
        City{f[0], f[1], f[2], f[3], Number(f[4]), Number(f[5]), Number(f[6]), f[7] == "1"});
  }
  return cities;
}

const std::vector<City>& Directory() {
  static const std::vector<City> cities = ParseCityTable(kCityTable);
  return cities;
}

}  // namespace

long long DayNumber(const PortalTime& t) {
  using namespace std::chrono;
  const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)},
                           day{static_cast<unsigned>(t.day)}};
  return sys_days{ymd}.time_since_epoch().count();
}

PortalTime FromDayNumber(long long n, int hour) {
  using namespace std::chrono;
  const year_month_day ymd{sys_days{days{n}}};
  return PortalTime{static_cast<int>(ymd.year()),
                    static_cast<int>(static_cast<unsigned>(ymd.month())),
                    static_cast<int>(static_cast<unsigned>(ymd.day())), hour};
}

const std::vector<City>& Cities() { return Directory(); }

std::vector<std::string> Regions() {
  std::vector<std::string> regions;
  for (const City& c : Directory()) {
    if (std::find(regions.begin(), regions.end(), c.region) == regions.end())
      regions.push_back(c.region);
  }
  return regions;
}

const City* FindCityByCode(std::string_view code) {
  for (const City& c : Directory()) {
    if (c.code == code) return &c;
  }
  return nullptr;
}

const City* FindCityByName(std::string_view nameOrPinyin) {
  std::string lower(nameOrPinyin);
  for (char& ch : lower) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  for (const City& c : Directory()) {
    if (nameOrPinyin == c.name || nameOrPinyin == c.name + "市" ||
        (!lower.empty() && lower == c.pinyin)) {
      return &c;
    }
  }
  return nullptr;
}

PortalTime AddDays(const PortalTime& t, int days) {
  return FromDayNumber(DayNumber(t) + days, t.hour);
}

int DayOfYear(const PortalTime& t) {
  return static_cast<int>(DayNumber(t) - DayNumber(PortalTime{t.year, 1, 1, 0})) + 1;
}

int Weekday(const PortalTime& t) {
  // 1970-01-01 was a Thursday.
  return static_cast<int>(((DayNumber(t) % 7) + 7 + 4) % 7);
}

std::string WeekdayName(const PortalTime& t) {
  static const char* const names[] = {"星期日", "星期一", "星期二", "星期三",
                                      "星期四", "星期五", "星期六"};
  return names[Weekday(t)];
}

PortalTime CurrentPortalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return PortalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour};
}

std::string WeatherName(int code) {
  static const char* const names[] = {"晴",           "多云",
                                      "阴",           "阵雨",
                                      "雷阵雨",       "雷阵雨伴有冰雹",
                                      "雨夹雪",       "小雨",
                                      "中雨",         "大雨",
                                      "暴雨",         "大暴雨",
                                      "特大暴雨",     "阵雪",
                                      "小雪",         "中雪",
                                      "大雪",         "暴雪",
                                      "雾",           "冻雨",
                                      "沙尘暴",       "小到中雨",
                                      "中到大雨",     "大到暴雨",
                                      "暴雨到大暴雨", "大暴雨到特大暴雨",
                                      "小到中雪",     "中到大雪",
                                      "大到暴雪",     "浮尘",
                                      "扬沙",         "强沙尘暴"};
  if (code < 0 || code > 31) return "";
  return names[code];
}

std::string IconCode(bool night, int weatherCode) {
  const int code = std::clamp(weatherCode, 0, 31);
  return std::string(night ? "n" : "d") + static_cast<char>('0' + code / 10) +
         static_cast<char>('0' + code % 10);
}

}  // namespace nimbulux::portal_server
