#include "widget/font_choice.h"

#include <algorithm>
#include <limits>

namespace nimbulux {

std::optional<FontSlotChoice> FontRegionAt(int x, int y, int textOffset, int viewMode) {
  const int off = textOffset;
  if (y < off + 1200) {
    if (y < off + 890 && x < 1400) return FontSlotChoice{4, FontKind::Normal};
    // The city name's limit is a fixed line, not moved by the offset.
    if (y < 650 && x < 2620) return FontSlotChoice{2, FontKind::Normal};
    if (y > off + 660 && x > 2640) return FontSlotChoice{1, FontKind::Temperature};
    if (y > off + 900 && x < 1400) return FontSlotChoice{1, FontKind::Normal};
    return FontSlotChoice{0, FontKind::Normal};
  }
  if (y > off + 1200 && y < off + 2320 && x > 2640 && viewMode == kIndexView) {
    return FontSlotChoice{3, FontKind::Normal};
  }
  return std::nullopt;
}

namespace {
std::int32_t ClampToInt32(double v) {
  if (auto r = ToInt32(v)) return *r;
  return v < 0 ? std::numeric_limits<std::int32_t>::min()
               : std::numeric_limits<std::int32_t>::max();
}
}  // namespace

std::int32_t FontHeightFromPoints(std::int32_t points) {
  const double p = points;
  const std::int32_t h = ClampToInt32((p + 0.5) * 4 / 3);
  if (h % 4 > 1) return h;
  return ClampToInt32(p * 4 / 3);
}

std::int32_t PointsFromTenths(std::int32_t tenths) { return ClampToInt32(tenths / 10.0); }

std::optional<int> PaletteNumberOf(std::uint32_t rgb) {
  for (int i = 0; i < 16; ++i) {
    if (TextPaletteRgb(i) == rgb) return i;
  }
  return std::nullopt;
}

int ColourAfterChoice(int current, std::uint32_t rgb) {
  return PaletteNumberOf(rgb).value_or(current);
}

bool ApplyFontChoice(TextFonts& fonts, const FontSlotChoice& target,
                     const std::optional<FontColourChoice>& choice,
                     const MeasureDegreeHeight& measure) {
  if (!choice || choice->Font.Face.empty()) return false;
  if (target.Slot < 0 || target.Slot >= static_cast<int>(fonts.TextColours.size())) return false;
  if (choice->Colour >= 0 && choice->Colour <= 15) {
    fonts.TextColours[static_cast<std::size_t>(target.Slot)] = choice->Colour;
  }
  if (target.Font == FontKind::Temperature) {
    fonts.Temperature = choice->Font;
    if (measure) fonts.TempTextOffset = TempTextOffsetFor(measure(fonts.Temperature, true));
  } else {
    fonts.Normal = choice->Font;
    if (measure) fonts.TextOffset = TextOffsetFor(measure(fonts.Normal, false));
  }
  return true;
}

}  // namespace nimbulux
