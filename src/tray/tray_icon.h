// The tray icon: a number (temperature or CPU load) drawn as the bytes of a 16 x 16 icon file
// with 4 bits per pixel, coloured by the user's tray colour rules.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/text.h"
#include "net/picture_decoding.h"

namespace nimbulux {

inline constexpr std::size_t kIconBufferSize = 318;
using IconBytes = std::array<std::uint8_t, kIconBufferSize>;

// Where the parts of the icon file sit in IconBytes.
inline constexpr std::size_t kIconPixelsOffset = 126;  // 16 rows of 8 bytes, bottom row first
inline constexpr std::size_t kIconMaskOffset = 254;    // 16 rows of 4 bytes, bottom row first

// The colour number (0..15 of the 16-colour palette) that the rules give a value: the last
// rule whose threshold the value reaches wins; below every threshold, and for colour numbers
// outside 0..15, colour 0.
int TrayColourNumber(double value, TextView rules);

// The palette index of the icon for a colour number 0..15 (the icon's palette is ordered
// differently from the colour numbers); 0 for anything else.
int IconPaletteIndex(int colourNumber);

// Limits a value to what two digits can show, -99..99.
std::int16_t ClampTrayValue(int value);

// Rewrites the pixel and mask bytes of an icon buffer for value (clamped in place). Bytes
// 0..125 (header and palette) are left alone; cpuMode leaves out the degree ring.
void DrawTrayNumber(IconBytes& buffer, std::int16_t& value, TextView rules, bool cpuMode);

// A complete icon file for value: the header followed by the drawn pixels and mask.
IconBytes TrayIconBytes(std::int16_t value, TextView rules, bool cpuMode);

// The header and digit glyphs the icons are drawn from. They start as the built-in tables; the
// program may load them from its resources (the first 126 and 200 bytes are taken). Too short
// data is refused (false) and the tables in use stay as they were.
bool LoadTrayResources(std::string_view iconHeader, std::string_view digitGlyphs);

// The icon buffer kept for the whole run (header + the last drawn number).
const IconBytes& IconBuffer();

namespace detail {
IconBytes& MutableIconBuffer();
}

// Draws value (clamped in place) into IconBuffer() and decodes it into a 16 x 16 picture with
// the background transparent; none if decoding fails.
std::optional<Picture> TemperatureIcon(std::int16_t& value, TextView rules, bool cpuMode);

}  // namespace nimbulux
