// The portal's city directory and the weather values its pages are written from, by
// either source. All texts are UTF-8.
//
// Live data may lack any value: the has* flags and empty texts mark what is missing,
// and the page writers leave it out in a form the widget's readers take as empty.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace nimbulux::portal_server {

struct City {
  std::string code;    // nine digits, e.g. "101010100"
  std::string name;    // Chinese name, e.g. "北京"
  std::string pinyin;  // lower case, no blanks, e.g. "beijing"
  std::string region;  // region block of the city list page, e.g. "华北"
  double latitude = 0;
  double longitude = 0;
  double altitude = 0;  // metres; cools the climate of high cities
  bool major = false;   // listed in the forecast page's nationwide tables
};

// The moment a reply is generated for: a local date in China and an hour of the day.
struct PortalTime {
  int year = 2026;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 12;  // 0..23
};

// Every city of the directory (read from cities.tsv, compiled in), grouped by region in
// directory order.
const std::vector<City>& Cities();
// The region names in the order of the city list page.
std::vector<std::string> Regions();
// nullptr when unknown.
const City* FindCityByCode(std::string_view code);
// Matches the Chinese name, the name followed by "市", or the pinyin (any case).
const City* FindCityByName(std::string_view nameOrPinyin);

// Calendar helpers (proleptic Gregorian).
long long DayNumber(const PortalTime& t);  // days since 1970-01-01
PortalTime FromDayNumber(long long dayNumber, int hour);
PortalTime AddDays(const PortalTime& t, int days);
int DayOfYear(const PortalTime& t);            // 1..366
int Weekday(const PortalTime& t);              // 0 = Sunday
std::string WeekdayName(const PortalTime& t);  // "星期一" ...
// The machine's local clock, for the server when no --date/--hour is given.
PortalTime CurrentPortalTime();

// The real-time observation of a city at a moment.
struct Observation {
  bool missing = false;       // the portal shows "暂无实况" in every value
  int temperature = 0;        // whole degrees Celsius
  std::string windDirection;  // "北风", "东南风", ...; empty when unknown
  std::string windForce;      // "2级", "小于3级", ...; empty when unknown
  int humidity = 0;           // percent
  int pressure = 0;           // hPa
  int hour = 0;               // observation time
  int minute = 0;
  bool hasTemperature = true;
  bool hasHumidity = true;
  bool hasPressure = true;
  bool hasTime = true;
};

// Weather codes 0..31 with their names ("晴", "多云", ... "强沙尘暴").
std::string WeatherName(int code);
// Icon code as the portal names it: 'd' or 'n' and two digits, e.g. "d01".
std::string IconCode(bool night, int weatherCode);

// The forecast of one day (offset 0 = the day of the PortalTime).
struct DayForecast {
  PortalTime date;  // hour 0
  int dayCode = 0;  // weather code by day
  int nightCode = 0;
  std::string dayWeather;  // WeatherName(dayCode); empty when unknown
  std::string nightWeather;
  std::string dayIcon;    // "d00".."d31"; empty when unknown
  std::string nightIcon;  // "n00".."n31"
  int high = 0;
  int low = 0;
  bool hasHigh = true;
  bool hasLow = true;
  std::string dayWindDirection;  // "北风" ... or "无持续风向"
  std::string dayWindForce;      // "微风", "3-4级", "小于3级", ...
  std::string nightWindDirection;
  std::string nightWindForce;
};

// A line of the living indices: name ("穿衣指数"), value ("较冷") and advice.
struct IndexLine {
  std::string name;
  std::string value;
  std::string advice;
};

struct CityWeather {
  Observation now;
  std::array<DayForecast, 7> days;      // offsets 0..6
  std::vector<IndexLine> dayIndices;    // up to 8 lines for today by day
  std::vector<IndexLine> nightIndices;  // up to 8 lines for tonight
  std::string sunrise;                  // "HH:mm" Beijing time; empty when unknown
  std::string sunset;
};

}  // namespace nimbulux::portal_server
