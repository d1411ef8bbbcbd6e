// A JSON picture of what the widget shows, rewritten after every redraw when
// NIMBULUX_STATE_DUMP names a file: for diagnostics and for end-to-end tests.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "weather/weather_state.h"
#include "widget/widget_layout.h"

namespace nimbulux {

struct DumpedPicture {
  bool Visible = true;
  Text Picture;  // the icon-cache name it came from, "wait", or empty for none
  Text Tag;
  Text Tooltip;
};

struct StateDump {
  Text City;
  WeatherState Weather;
  int ViewMode = kDefaultViewMode;
  bool NormalView = true;
  int ShowSeveralCities = 0;
  std::array<DumpedPicture, 2> Image2{};
  std::array<DumpedPicture, 5> Image1{};
  std::array<DumpedPicture, 5> Image3{};
  Text WindTooltip;
  Text BottomTooltip;
  std::vector<PrintedText> Texts;
  Text TrayTooltip;
  std::string WindowIcon = "default";  // "temperature:N" or "default"
  std::string Background = "default";  // "default", "custom" or "none"
  std::string TrayIconBytes;           // the tray icon file, raw bytes
  int TrayValue = 0;
  // The widget window itself: position in twips, always on top, shown.
  double LeftTwips = 0;
  double TopTwips = 0;
  bool Topmost = false;
  bool Visible = false;
};

std::string StateDumpJson(const StateDump& d);

}  // namespace nimbulux
