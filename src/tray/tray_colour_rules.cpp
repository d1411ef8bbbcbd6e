#include "tray/tray_colour_rules.h"

#include <array>

namespace nimbulux {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

bool StartsWithNumber(TextView text) {
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  if (i < text.size() && text[i] == u'&') {  // &H1F, &O17
    ++i;
    if (i >= text.size()) return false;
    const char16_t radix = text[i];
    if (radix != u'H' && radix != u'h' && radix != u'O' && radix != u'o') return false;
    ++i;
    skipBlanks();
    if (i >= text.size()) return false;
    const char16_t c = text[i];
    if (radix == u'O' || radix == u'o') return c >= u'0' && c <= u'7';
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
  }
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  skipBlanks();
  if (i < text.size() && text[i] == u'.') {
    ++i;
    skipBlanks();
  }
  return i < text.size() && IsDigit(text[i]);
}

std::vector<TrayColourRule> ParseTrayColourRules(TextView rules) {
  std::vector<TrayColourRule> result;
  for (const Text& piece : Split(rules, u";")) {
    TrayColourRule rule;
    const std::vector<Text> parts = Split(piece, u":");
    rule.parts = parts.size();
    if (!parts.empty()) {
      rule.thresholdText = parts[0];
      if (StartsWithNumber(parts[0])) rule.threshold = LeadingNumber(parts[0]);
    }
    if (parts.size() >= 2) {
      rule.colourText = parts[1];
      rule.colour = ToInt32(LeadingNumber(parts[1])).value_or(16);
    }
    result.push_back(std::move(rule));
  }
  return result;
}

std::uint32_t PaletteRgb(int colourNumber) {
  static constexpr std::array<std::uint32_t, 16> kPalette = {
      0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
      0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  if (colourNumber < 0 || colourNumber > 15) return kPalette[0];
  return kPalette[static_cast<std::size_t>(colourNumber)];
}

std::vector<RulePreviewText> RulePreview(TextView rules,
                                         const std::function<int(TextView)>& measureWidth) {
  std::vector<RulePreviewText> texts;
  int x = 0;
  for (const TrayColourRule& rule : ParseTrayColourRules(rules)) {
    if (rule.parts < 2) break;
    RulePreviewText t;
    t.text = u">=" + rule.thresholdText + u"℃ ";
    // The same colour the icon would use for this rule: outside the palette means black.
    t.colourNumber = *rule.colour >= 0 && *rule.colour <= 15 ? *rule.colour : 0;
    t.rgb = PaletteRgb(t.colourNumber);
    t.x = x;
    t.y = 10;
    x += measureWidth ? measureWidth(t.text) : 0;
    texts.push_back(std::move(t));
  }
  return texts;
}

}  // namespace nimbulux
