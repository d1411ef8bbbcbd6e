// The tray icon's drawing, reached through one small file: the tray's header and the
// settings model both name the default colour rules, so they stay in separate files.
#pragma once

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

namespace nimbulux {

// The icon for value (clamped in place to -99..99), coloured by rules.
std::optional<QImage> TrayNumberIcon(std::int16_t& value, TextView rules, bool cpuMode);
// The bytes of the icon file last drawn.
std::string TrayIconFileBytes();
// Takes the icon header and digit glyphs from the program's resources.
void LoadTrayIconResources(std::string_view header, std::string_view digits);

}  // namespace nimbulux
