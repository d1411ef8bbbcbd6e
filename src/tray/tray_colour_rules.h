// The tray colour rules ("threshold:colour" joined by ";") as the icon and the options
// dialog's preview read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/text.h"

namespace nimbulux {

struct TrayColourRule {
  std::size_t parts = 0;  // pieces of the rule split at ":" (0 for an empty rule)
  Text thresholdText;     // piece 0
  Text colourText;        // piece 1
  // The threshold's number; none when the text does not start with a number (such a rule
  // is reached by every value).
  std::optional<double> threshold;
  // The colour number; none without a piece 1. Numbers beyond 32 bits read as 16, which is
  // outside the palette.
  std::optional<int> colour;
};

// Every rule in order, empty ones included.
std::vector<TrayColourRule> ParseTrayColourRules(TextView rules);

// True when the text starts (after blanks) with a number by the leading-number rule.
bool StartsWithNumber(TextView text);

// The classic 16-colour palette as 0xRRGGBB; colour numbers outside 0..15 give colour 0.
std::uint32_t PaletteRgb(int colourNumber);

// One text of the rule preview: printed at (x, y) in the palette colour colourNumber.
struct RulePreviewText {
  Text text;  // ">=" threshold "℃ "
  int colourNumber = 0;
  std::uint32_t rgb = 0;  // 0xRRGGBB
  int x = 0;
  int y = 0;
};

// The preview of the options dialog: the rules side by side in their colours, x advancing by
// the measured width of each text (in the unit the measure gives, twips in the dialog), y 10.
// It stops at the first rule that has no colour part (an empty rule included).
std::vector<RulePreviewText> RulePreview(TextView rules,
                                         const std::function<int(TextView)>& measureWidth);

}  // namespace nimbulux
