#include "pages/portal_replies.h"

#include <cstdio>

namespace nimbulux::portal_server {

namespace {

std::string Pair(std::string_view key, std::string_view value) {
  return "\"" + std::string(key) + "\":\"" + std::string(value) + "\"";
}

std::string TwoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

// The portal writes single-digit icon numbers without a leading zero ("d1.gif").
std::string SummaryIconFile(const std::string& iconCode) {
  const int n = std::stoi(iconCode.substr(1));
  return iconCode.substr(0, 1) + std::to_string(n) + ".gif";
}

int FromHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && FromHex(s[i + 1]) >= 0 && FromHex(s[i + 2]) >= 0) {
      out += static_cast<char>(FromHex(s[i + 1]) * 16 + FromHex(s[i + 2]));
      i += 2;
    } else if (s[i] == '+') {
      out += ' ';
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

std::string ConditionsReply(const City& city, const Observation& o, std::string_view credit) {
  const std::string missing = kMissingObservation;
  auto value = [&](bool known, const std::string& v) {
    return o.missing || !known || v.empty() ? missing : v;
  };
  std::string s = "{\"weatherinfo\":{";
  s += Pair("city", city.name) + ",";
  s += Pair("cityid", city.code) + ",";
  s += Pair("temp", value(o.hasTemperature, std::to_string(o.temperature))) + ",";
  s += Pair("WD", value(true, o.windDirection)) + ",";
  s += Pair("WS", value(true, o.windForce)) + ",";
  s += Pair("SD", value(o.hasHumidity, std::to_string(o.humidity) + "%")) + ",";
  s += Pair("AP", value(o.hasPressure, std::to_string(o.pressure) + "hPa")) + ",";
  s += Pair("njd", missing) + ",";
  s += Pair("time", o.hasTime ? TwoDigits(o.hour) + ":" + TwoDigits(o.minute) : missing) + ",";
  s += Pair("sm", std::to_string(o.missing ? 0 : 1)) + ",";
  s += Pair("isRadar", "0") + ",";
  s += Pair("Radar", "");
  if (!credit.empty()) s += "," + Pair("source", credit);
  s += "}}";
  return s;
}

std::string CitySummaryReply(const City& city, const DayForecast& f, const PortalTime& time,
                             std::string_view credit) {
  const bool complete = f.hasHigh && f.hasLow && !f.dayWeather.empty() && !f.nightWeather.empty() &&
                        !f.dayIcon.empty() && !f.nightIcon.empty();
  std::string s = "{\"weatherinfo\":{";
  s += Pair("city", city.name) + ",";
  s += Pair("cityid", city.code);
  if (complete) {
    const std::string weather =
        f.dayWeather == f.nightWeather ? f.dayWeather : f.dayWeather + "转" + f.nightWeather;
    s += ",";
    s += Pair("temp1", std::to_string(f.high) + "℃") + ",";
    s += Pair("temp2", std::to_string(f.low) + "℃") + ",";
    s += Pair("weather", weather) + ",";
    s += Pair("img1", SummaryIconFile(f.dayIcon)) + ",";
    s += Pair("img2", SummaryIconFile(f.nightIcon)) + ",";
    s += Pair("ptime", TwoDigits(time.hour < 8 ? 18 : time.hour < 18 ? 8 : 18) + ":00");
  }
  if (!credit.empty()) s += "," + Pair("source", credit);
  s += "}}";
  return s;
}

std::string CityListPage(std::string_view credit) {
  std::string s =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>城市列表</title>\n"
      "</head>\n<body>\n<div class=\"tmapin_title\"><h1>全国城市天气</h1></div>\n";
  // Before the first region block: the readers never list that part.
  if (!credit.empty()) s += "<p class=\"credit\">" + std::string(credit) + "</p>\n";
  bool first = true;
  for (const std::string& region : Regions()) {
    // The first block carries the older class name "tmapin_citylist1"; the readers
    // accept both.
    s += first ? "<div class=\"tmapin_citylist1\">\n" : "<div class=\"tmapin_citylist\">\n";
    first = false;
    s += "<h2>" + region + "</h2>\n<ul>\n";
    for (const City& c : Cities()) {
      if (c.region != region) continue;
      s += "<li><a href=\"/html/weather/" + c.code + ".shtml\" target=\"_blank\">" + c.name +
           "</a></li>\n";
    }
    s += "</ul>\n</div>\n";
  }
  s += "</body>\n</html>\n";
  return s;
}

std::string SearchReply(std::string_view body) { return *SearchReply(body, nullptr); }

std::optional<std::string> SearchReply(std::string_view body, const PlaceResolver& resolveOther,
                                       std::string_view credit) {
  constexpr std::string_view prefix = "cityinfo=";
  std::string code;
  if (body.substr(0, prefix.size()) == prefix) {
    const std::string_view name = body.substr(prefix.size());
    const City* city = FindCityByName(name);
    if (city == nullptr) city = FindCityByName(PercentDecoded(name));
    if (city != nullptr) {
      code = city->code;
    } else if (resolveOther) {
      const std::optional<std::string> found = resolveOther(PercentDecoded(name));
      if (!found) return std::nullopt;
      code = *found;
    }
  }
  if (code.empty()) code = "999999999";
  std::string reply = "<html><head><meta http-equiv=\"refresh\" content=\"0;url=/html/weather/" +
                      code + ".shtml\"></head><body><a href=\"/html/weather/" + code +
                      ".shtml\">weather/" + code + ".shtml</a>";
  if (!credit.empty()) reply += "<p>" + std::string(credit) + "</p>";
  return reply + "</body></html>\n";
}

}  // namespace nimbulux::portal_server
