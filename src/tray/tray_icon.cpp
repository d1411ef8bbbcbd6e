#include "tray/tray_icon.h"

#include <algorithm>
#include <cstdlib>

#include "tray/tray_colour_rules.h"
#include "tray/tray_icon_data.h"

namespace nimbulux {
namespace {

struct TrayTables {
  std::array<std::uint8_t, 126> header = kTrayIconHeader;
  std::array<std::uint8_t, 200> glyphs = kTrayDigitGlyphs;
  IconBytes buffer{};
};

IconBytes WithHeader(const std::array<std::uint8_t, 126>& header) {
  IconBytes bytes{};
  std::copy(header.begin(), header.end(), bytes.begin());
  return bytes;
}

TrayTables& Tables() {
  static TrayTables tables = [] {
    TrayTables t;
    t.buffer = WithHeader(t.header);
    return t;
  }();
  return tables;
}

std::uint16_t GlyphRow(int digit, int row) {
  const auto& g = Tables().glyphs;
  const std::size_t at = static_cast<std::size_t>(20 * digit + 2 * row);
  return static_cast<std::uint16_t>((g[at] << 8) | g[at + 1]);
}

void SetMaskRow(IconBytes& buffer, int row, std::uint16_t bits) {
  const std::size_t at = kIconMaskOffset + 4 * static_cast<std::size_t>(row);
  buffer[at] = static_cast<std::uint8_t>(bits >> 8);
  buffer[at + 1] = static_cast<std::uint8_t>(bits & 0xFF);
}

}  // namespace

int TrayColourNumber(double value, TextView rules) {
  int colour = 0;
  for (const TrayColourRule& rule : ParseTrayColourRules(rules)) {
    if (!rule.colour) continue;  // a rule without a colour changes nothing
    // A threshold that is not a number counts as reached.
    if (!rule.threshold || value >= *rule.threshold) colour = *rule.colour;
  }
  return colour >= 0 && colour <= 15 ? colour : 0;
}

int IconPaletteIndex(int colourNumber) {
  static constexpr char kMapping[] = "042615378CAE9DBF";
  if (colourNumber < 0 || colourNumber > 15) return 0;
  const char digit = kMapping[colourNumber];
  return digit <= '9' ? digit - '0' : digit - 'A' + 10;
}

std::int16_t ClampTrayValue(int value) {
  return static_cast<std::int16_t>(std::clamp(value, -99, 99));
}

void DrawTrayNumber(IconBytes& buffer, std::int16_t& value, TextView rules, bool cpuMode) {
  value = ClampTrayValue(value);
  const int a = std::abs(static_cast<int>(value));
  const int tens = a / 10;
  const int units = a % 10;

  const int palette = IconPaletteIndex(TrayColourNumber(value, rules));
  const auto fill = static_cast<std::uint8_t>(palette * 17);
  std::fill(buffer.begin() + kIconPixelsOffset, buffer.begin() + kIconMaskOffset, fill);

  // Every pixel starts transparent; the digits open their pixels below.
  for (int r = 0; r < 16; ++r) SetMaskRow(buffer, r, 0xFFFF);

  int firstRow = 3;
  int leftShift = 0;
  int rightShift = 0;
  if (value >= 10) {
    leftShift = 5;
    rightShift = 2;
  } else if (value <= -10) {
    firstRow = 1;
    leftShift = 3;
    rightShift = 4;
  }
  for (int k = 0; k < 10; ++k) {
    if (a <= 9) {
      SetMaskRow(buffer, firstRow + k, GlyphRow(a, k));
      continue;
    }
    const unsigned left =
        (static_cast<unsigned>(GlyphRow(tens, k)) << leftShift) | ((1u << leftShift) - 1u);
    const unsigned right =
        (static_cast<unsigned>(GlyphRow(units, k)) >> rightShift) | (0xFFFFu << (16 - rightShift));
    SetMaskRow(buffer, firstRow + k, static_cast<std::uint16_t>(left & right & 0xFFFFu));
  }

  if (!cpuMode) {  // the degree ring in the top-right corner
    buffer[303] &= 0xF9;
    buffer[307] = 0xF6;
    buffer[311] = 0xF6;
    buffer[315] = 0xF9;
  }
  if (value < 0) buffer[278] &= 0x1F;  // minus sign: pixels 0..2 of row 6
}

IconBytes TrayIconBytes(std::int16_t value, TextView rules, bool cpuMode) {
  IconBytes bytes = WithHeader(Tables().header);
  DrawTrayNumber(bytes, value, rules, cpuMode);
  return bytes;
}

bool LoadTrayResources(std::string_view iconHeader, std::string_view digitGlyphs) {
  TrayTables& t = Tables();
  if (iconHeader.size() < t.header.size() || digitGlyphs.size() < t.glyphs.size()) return false;
  std::copy_n(iconHeader.begin(), t.header.size(), t.header.begin());
  std::copy_n(digitGlyphs.begin(), t.glyphs.size(), t.glyphs.begin());
  std::copy(t.header.begin(), t.header.end(), t.buffer.begin());
  return true;
}

const IconBytes& IconBuffer() { return Tables().buffer; }

namespace detail {
IconBytes& MutableIconBuffer() { return Tables().buffer; }
}  // namespace detail

}  // namespace nimbulux
