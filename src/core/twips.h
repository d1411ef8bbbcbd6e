// Twips, the unit of every stored position and of the widget's layout: 15 to a logical
// pixel. Qt's device-pixel ratio looks after high-DPI screens, so the ratio is fixed.
#pragma once

namespace nimbulux {

inline constexpr double kTwipsPerPixel = 15.0;

// Whole pixels of a twips length, cut towards zero as integer division does.
constexpr int TwipsToPixels(int twips) { return twips / static_cast<int>(kTwipsPerPixel); }

}  // namespace nimbulux
