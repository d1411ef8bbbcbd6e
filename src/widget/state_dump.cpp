#include "widget/state_dump.h"

#include <cstdio>

namespace nimbulux {

namespace {

void AppendString(std::string& out, TextView text) {
  const std::string utf8 = ToUtf8(text);
  out += '"';
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void AppendString(std::string& out, const std::string& ascii) {
  AppendString(out, FromUtf8(ascii));
}

template <typename List>
void AppendStrings(std::string& out, const List& list) {
  out += '[';
  bool first = true;
  for (const Text& t : list) {
    if (!first) out += ", ";
    first = false;
    AppendString(out, t);
  }
  out += ']';
}

void AppendPictures(std::string& out, const DumpedPicture* pictures, int n, bool withVisibility) {
  out += '[';
  for (int i = 0; i < n; ++i) {
    const DumpedPicture& p = pictures[i];
    if (i) out += ", ";
    out += '{';
    if (withVisibility) out += std::string("\"visible\": ") + (p.Visible ? "true" : "false") + ", ";
    out += "\"picture\": ";
    AppendString(out, p.Picture);
    if (withVisibility) {
      out += ", \"tag\": ";
      AppendString(out, p.Tag);
    }
    out += ", \"tooltip\": ";
    AppendString(out, p.Tooltip);
    out += '}';
  }
  out += ']';
}

}  // namespace

std::string StateDumpJson(const StateDump& d) {
  const WeatherState& w = d.Weather;
  std::string o = "{\"city\": ";
  AppendString(o, d.City);
  o += ",\n \"weather\": {\"DateWords\": ";
  AppendStrings(o, w.DateWords);
  o += ", \"PageNotes\": ";
  AppendStrings(o, w.PageNotes);
  o += ", \"CityName\": ";
  AppendString(o, w.CityName);
  o += ", \"NowTemperature\": ";
  AppendString(o, w.NowTemperature);
  o += ", \"TodayForecast\": ";
  AppendStrings(o, w.TodayForecast);
  o += ", \"ExtraLines\": ";
  AppendStrings(o, w.ExtraLines);
  o += ", \"NowDetails\": ";
  AppendStrings(o, w.NowDetails);
  o += ", \"NowTimeText\": ";
  AppendString(o, w.NowTimeText);
  o += "},\n \"viewMode\": " + std::to_string(d.ViewMode);
  o += std::string(", \"normalView\": ") + (d.NormalView ? "true" : "false");
  o += ", \"showSeveralCities\": " + std::to_string(d.ShowSeveralCities);
  o += ",\n \"Image2\": ";
  AppendPictures(o, d.Image2.data(), 2, false);
  o += ",\n \"Image1\": ";
  AppendPictures(o, d.Image1.data(), 5, true);
  o += ",\n \"Image3\": ";
  AppendPictures(o, d.Image3.data(), 5, true);
  o += ",\n \"lbWind\": ";
  AppendString(o, d.WindTooltip);
  o += ", \"lbText\": ";
  AppendString(o, d.BottomTooltip);
  o += ",\n \"texts\": [";
  for (std::size_t i = 0; i < d.Texts.size(); ++i) {
    const PrintedText& t = d.Texts[i];
    o += i ? ",\n  " : "\n  ";
    o += "{\"x\": " + std::to_string(t.x) + ", \"y\": " + std::to_string(t.y) + ", \"text\": ";
    AppendString(o, t.text);
    o += ", \"colour\": " + std::to_string(t.colour) + ", \"font\": \"";
    o += t.font == FontKind::Temperature ? "temperature" : "normal";
    o += "\"}";
  }
  o += "],\n \"trayTooltip\": ";
  AppendString(o, d.TrayTooltip);
  o += ", \"windowIcon\": ";
  AppendString(o, d.WindowIcon);
  o += ", \"background\": ";
  AppendString(o, d.Background);
  o += ",\n \"trayIcon\": \"";
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : d.TrayIconBytes) {
    o += kHex[c >> 4];
    o += kHex[c & 15];
  }
  o += "\", \"trayValue\": " + std::to_string(d.TrayValue);
  char window[160];
  std::snprintf(
      window, sizeof window,
      ",\n \"window\": {\"left\": %.9g, \"top\": %.9g, \"topmost\": %s, \"visible\": %s}}\n",
      d.LeftTwips, d.TopTwips, d.Topmost ? "true" : "false", d.Visible ? "true" : "false");
  o += window;
  return o;
}

}  // namespace nimbulux
