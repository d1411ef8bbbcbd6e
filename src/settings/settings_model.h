// Every key of the settings file with its default and reading rules, read in one pass
// at start-up; and the sequence that writes the window state back when the program
// ends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "weather/watched_city.h"

namespace nimbulux {

// Key names of section "SYSTEM" (written as the exit routine and the options dialog
// write them; reads are case-insensitive).
namespace settings_key {
inline constexpr char16_t kLocalId[] = u"LocalID";
inline constexpr char16_t kCurrentX[] = u"CurrentX";
inline constexpr char16_t kCurrentY[] = u"CurrentY";
inline constexpr char16_t kHide[] = u"Hide";
inline constexpr char16_t kMulti[] = u"Multi";
inline constexpr char16_t kShowIndex[] = u"ShowIndex";
inline constexpr char16_t kLock[] = u"Lock";
inline constexpr char16_t kTop[] = u"Top";
inline constexpr char16_t kTrans[] = u"Trans";
inline constexpr char16_t kDesk[] = u"Desk";
inline constexpr char16_t kBackGround[] = u"BackGround";
inline constexpr char16_t kMyColor[] = u"MyColor";
inline constexpr char16_t kMyFont[] = u"MyFont";
inline constexpr char16_t kSave[] = u"Save";
inline constexpr char16_t kFront[] = u"Front";
inline constexpr char16_t kUpdate[] = u"Update";
inline constexpr char16_t kTrayCpu[] = u"TrayCPU";
inline constexpr char16_t kAlpha[] = u"Alpha";
inline constexpr char16_t kTrayColor[] = u"TrayColor";
inline constexpr char16_t kForecast[] = u"Forecast";
inline constexpr char16_t kTime[] = u"Time";
// Section "CITY".
inline constexpr char16_t kCount[] = u"Count";
}  // namespace settings_key

struct FontChoice {
  Text Name;
  int Size = 0;  // points

  bool operator==(const FontChoice&) const = default;
};

// The settings as the start-up uses them. Integer settings are 16-bit: a stored number
// outside that range leaves the default. Flags are "set" when greater than 0.
struct Settings {
  Text LocalId;   // "LocalID"; empty: no city known
  Text CurrentX;  // raw text, twips; the start-up checks the range
  Text CurrentY;  // raw text of "Currenty" (written as "CurrentY"), twips
  std::int16_t Hide = 0;
  std::int16_t ShowSeveralCities = 0;  // "Multi"
  int ViewMode = kDefaultViewMode;     // 2 when "ShowIndex" is non-zero, else 4
  std::int16_t Lock = 0;
  std::int16_t Top = 0;
  std::int16_t Trans = 0;
  std::int16_t Desk = 0;
  std::int16_t BackGround = 0;  // 0 built-in, 1 user picture, 2 automatic; others: none
  std::array<int, 5> TextColours = kDefaultTextColours;  // palette numbers, "myColor"
  FontChoice NormalFont{Text(kDesignFontName), kDesignFontSize};
  FontChoice TemperatureFont{Text(kDefaultTemperatureFontName), kDefaultTemperatureFontSize};
  std::int16_t SaveIcons = 0;  // "Save"; the start-up forces 0 when the city is fixed
  std::int16_t Front = 0;
  std::int16_t Update = 0;
  std::int16_t TrayCpu = 0;                                // "TrayCPU"
  int Alpha = 0;                                           // 0..255; anything else reads as 0
  int Opacity = kOpaque;                                   // 255 - Alpha
  Text TrayColourRules = Text(kDefaultTrayColourRules);    // "TrayColor"
  Text ForecastWindows = Text(kDefaultForecastWindows);    // "Forecast"
  std::int16_t RefreshInterval = kDefaultRefreshInterval;  // "Time", minutes
  WatchedCityList WatchedCities;                           // section "CITY"

  bool operator==(const Settings&) const = default;
};

// Reads every key from the settings file in one pass.
Settings ReadAllSettings();

// The parts of those rules other modules apply to texts of their own.
std::array<int, 5> TextColoursFromSetting(TextView value);
// Applies a "MyFont" value to the two fonts (a short value means the default pair).
void ApplyFontSetting(TextView value, FontChoice& normal, FontChoice& temperature);

// What the exit routine stores: the window state at the moment the program ends.
struct ExitState {
  Text CityId;
  float Left = 0;  // twips
  float Top = 0;   // twips
  bool Visible = true;
  int ShowSeveralCities = 0;
  int ViewMode = kDefaultViewMode;
  // The check marks of the menu entries (not the flags) are the source.
  bool LockChecked = false;
  bool TopChecked = false;
  bool TransChecked = false;
  bool DeskChecked = false;
  std::optional<int> CheckedBackground;  // first checked background entry 0..2, or none
  std::array<int, 5> TextColours = kDefaultTextColours;
  FontChoice NormalFont{Text(kDesignFontName), kDesignFontSize};
  FontChoice TemperatureFont{Text(kDefaultTemperatureFontName), kDefaultTemperatureFontSize};
  WatchedCityList WatchedCities;
};

// Stores the exit state, key by key in a fixed order, writing only what changed; a
// zero removes its key. Shrinks section "CITY" to the current list. The caller skips
// this when the city of the run is fixed.
void WriteExitSettings(const ExitState& state);

// A twips position in its shortest single-precision decimal text ("1234.5", "1500").
Text TwipsText(float twips);

// Stores one key of section "SYSTEM" as the options dialog's OK does: "Save", "Front",
// "Multi" and "TrayCPU" are written as they are (a "0" stays "0"), every other key
// only when changed and with "0" removing it.
void WriteOptionSetting(TextView key, TextView value);

}  // namespace nimbulux
