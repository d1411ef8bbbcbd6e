// The default of each setting that more than the settings model starts from: what the
// program uses before the settings are read and when a key is missing or empty. The
// settings model applies them; the tray, the forecast and the widget start from them
// too, and sit below the settings, so the one home is here in core.
#pragma once

#include <array>

namespace nimbulux {

// The font the widget window is designed with; the default normal text font.
inline constexpr char16_t kDesignFontName[] = u"Noto Sans CJK SC";
inline constexpr int kDesignFontSize = 9;
// The default font of the current temperature.
inline constexpr char16_t kDefaultTemperatureFontName[] = u"Arial";
inline constexpr int kDefaultTemperatureFontSize = 24;

// Palette numbers of the five text colours.
inline constexpr std::array<int, 5> kDefaultTextColours = {15, 14, 10, 8, 11};

// Tray colour rules "threshold:colour;...".
inline constexpr char16_t kDefaultTrayColourRules[] = u"1:2;15:1;35:12";
// The times of day ("HHMM-HHMM;...") at which a refresh fetches the forecast page too.
inline constexpr char16_t kDefaultForecastWindows[] = u"0800-0900;1800-1900";
// Minutes between two refreshes.
inline constexpr int kDefaultRefreshInterval = 30;

// The view: 4 shows five forecast columns, 2 gives columns 3 and 4 to the weather index.
inline constexpr int kFiveColumnsView = 4;
inline constexpr int kIndexView = 2;
inline constexpr int kDefaultViewMode = kFiveColumnsView;

// Window opacity 0..255; the default is fully opaque (the stored "Alpha" is 255 minus it).
inline constexpr int kOpaque = 255;

}  // namespace nimbulux
