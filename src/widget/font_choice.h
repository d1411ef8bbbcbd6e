// The fonts and colours of the widget's texts: which text a double-click picks, the
// font height a point size asks for, the point size and palette colour a font dialog
// gives back, and what a choice changes. Nothing here needs a screen; text heights
// come from the caller.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/setting_defaults.h"
#include "widget/widget_layout.h"

namespace nimbulux {

// A colour slot of TextColours (0 general text, 1 temperatures, 2 city name, 3 index
// lines, 4 weather text) and the font it is printed in.
struct FontSlotChoice {
  int Slot = 0;
  FontKind Font = FontKind::Normal;
  bool operator==(const FontSlotChoice&) const = default;
};

// The text under the last pointer position (window twips) of a double-click on the
// window or the wind label; nothing where no text of its own lies.
std::optional<FontSlotChoice> FontRegionAt(int x, int y, int textOffset, int viewMode);

// The font height (logical units) that asks for a point size: 9 -> 12, 10 -> 14,
// 11 -> 15, 12 -> 16, 24 -> 32.
std::int32_t FontHeightFromPoints(std::int32_t points);

// A dialog's point size in tenths as whole points, halves to the even one
// (245 -> 24, 255 -> 26).
std::int32_t PointsFromTenths(std::int32_t tenths);

// The number of the first palette colour with exactly this RGB value (0xRRGGBB);
// nothing for a colour outside the palette.
std::optional<int> PaletteNumberOf(std::uint32_t rgb);

// The slot's colour after a dialog gave rgb: its palette number, or the colour it had.
int ColourAfterChoice(int current, std::uint32_t rgb);

// What the chooser gives back when it was not cancelled.
struct FontColourChoice {
  WidgetFont Font;  // face name and whole points
  int Colour = 0;   // palette number
  bool operator==(const FontColourChoice&) const = default;
};

// The font state the texts are printed with.
struct TextFonts {
  WidgetFont Normal;
  WidgetFont Temperature{Text(kDefaultTemperatureFontName), kDefaultTemperatureFontSize};
  std::array<int, 5> TextColours = kDefaultTextColours;
  int TextOffset = 0;
  int TempTextOffset = 0;
  bool operator==(const TextFonts&) const = default;
};

// Height in twips of the text "℃" in a font, bold or not.
using MeasureDegreeHeight = std::function<double(const WidgetFont& font, bool bold)>;

// Applies a choice for the slot and font kind that the region test found: the slot's
// colour, the font, and the offset derived from the font (the temperature's from the
// bold font). A cancelled dialog (nothing, or an empty face name) changes nothing.
// True when a font was taken; after a normal font the bottom label takes its face.
bool ApplyFontChoice(TextFonts& fonts, const FontSlotChoice& target,
                     const std::optional<FontColourChoice>& choice,
                     const MeasureDegreeHeight& measure);

}  // namespace nimbulux
