// The tray icon's bytes, checked as the picture they make: which pixels the mask opens, which
// colour fills the pixels, and that header and padding stay as they must.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/setting_defaults.h"
#include "support/temp_dir.h"
#include "tray/tray_colour_rules.h"
#include "tray/tray_icon.h"
#include "tray/tray_icon_data.h"

using namespace nimbulux;

namespace {

const Text kRules = kDefaultTrayColourRules;

// The opaque pixels of an icon, top row first, '#' opaque and '.' transparent.
std::vector<std::string> OpaquePixels(const IconBytes& icon) {
  std::vector<std::string> rows;
  for (int top = 0; top < 16; ++top) {
    const int row = 15 - top;  // the file stores the bottom row first
    const unsigned bits =
        (icon[kIconMaskOffset + 4 * row] << 8) | icon[kIconMaskOffset + 4 * row + 1];
    std::string line;
    for (int x = 0; x < 16; ++x) line += (bits & (0x8000u >> x)) ? '.' : '#';
    rows.push_back(line);
  }
  return rows;
}

// Every colour pixel byte holds palette index p twice.
void ExpectFilledWith(const IconBytes& icon, int palette) {
  for (std::size_t i = kIconPixelsOffset; i < kIconMaskOffset; ++i) {
    ASSERT_EQ(icon[i], palette * 17) << "byte " << i;
  }
}

void ExpectHeaderAndPaddingIntact(const IconBytes& icon) {
  for (std::size_t i = 0; i < kTrayIconHeader.size(); ++i) ASSERT_EQ(icon[i], kTrayIconHeader[i]);
  for (int r = 0; r < 16; ++r) {
    EXPECT_EQ(icon[256 + 4 * r], 0);
    EXPECT_EQ(icon[257 + 4 * r], 0);
  }
}

}  // namespace

TEST(TrayIconBytes, ZeroIsABlackSquareWithTheDigitInColumns5To10AndTheDegreeRing) {
  const IconBytes icon = TrayIconBytes(0, kRules, false);
  ExpectFilledWith(icon, 0);
  ExpectHeaderAndPaddingIntact(icon);
  EXPECT_EQ(OpaquePixels(icon), (std::vector<std::string>{
                                    ".............##.",  // ring
                                    "............#..#",
                                    "............#..#",
                                    "......####...##.",  // glyph top row and ring bottom
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    ".....##..##.....",
                                    "......####......",  // row 3 from the bottom
                                    "................",
                                    "................",
                                    "................",
                                }));
}

TEST(TrayIconBytes, DefaultRulesColourEachRange) {
  // palette index of the icon: green 2, navy 4, red 9
  ExpectFilledWith(TrayIconBytes(1, kRules, false), 2);
  ExpectFilledWith(TrayIconBytes(14, kRules, false), 2);
  ExpectFilledWith(TrayIconBytes(15, kRules, false), 4);
  ExpectFilledWith(TrayIconBytes(34, kRules, false), 4);
  ExpectFilledWith(TrayIconBytes(35, kRules, false), 9);
  ExpectFilledWith(TrayIconBytes(-5, kRules, false), 0);
}

TEST(TrayIconBytes, NegativeOneDigitHasTheMinusSign) {
  const auto rows = OpaquePixels(TrayIconBytes(-5, kRules, false));
  EXPECT_EQ(rows[9], "###......##.....");  // row 6 from the bottom: minus and the digit 5
  EXPECT_EQ(rows[3], "......#####..##.");  // the top of the 5 beside the ring
  EXPECT_EQ(OpaquePixels(TrayIconBytes(5, kRules, false))[9], ".........##.....");
}

TEST(TrayIconBytes, TwoDigitsSitSideBySide) {
  EXPECT_EQ(OpaquePixels(TrayIconBytes(14, kRules, false)), (std::vector<std::string>{
                                                                ".............##.",
                                                                "............#..#",
                                                                "............#..#",
                                                                "...##.....##.##.",
                                                                "..###.....##....",
                                                                ".####....###....",
                                                                ".#.##....###....",
                                                                "...##...#.##....",
                                                                "...##...#.##....",
                                                                "...##..#..##....",
                                                                "...##..######...",
                                                                "...##.....##....",
                                                                "...##.....##....",
                                                                "................",
                                                                "................",
                                                                "................",
                                                            }));
}

TEST(TrayIconBytes, ValuesBeyondTwoDigitsAreClampedInPlace) {
  std::int16_t value = 120;
  IconBytes drawn{};
  DrawTrayNumber(drawn, value, kRules, false);
  EXPECT_EQ(value, 99);
  EXPECT_EQ(TrayIconBytes(120, kRules, false), TrayIconBytes(99, kRules, false));

  value = -150;
  DrawTrayNumber(drawn, value, kRules, false);
  EXPECT_EQ(value, -99);
  const IconBytes icon = TrayIconBytes(-150, kRules, false);
  EXPECT_EQ(icon, TrayIconBytes(-99, kRules, false));
  ExpectFilledWith(icon, 0);
  EXPECT_EQ(OpaquePixels(icon), (std::vector<std::string>{
                                    ".............##.",
                                    "............#..#",
                                    "............#..#",
                                    ".............##.",
                                    "................",
                                    "...####...####..",
                                    "..##..##.##..##.",
                                    "..##..##.##..##.",
                                    "..##..##.##..##.",
                                    "####..##.##..##.",  // the minus sign runs into the tens
                                    "...#####..#####.",
                                    "......##.....##.",
                                    "......##.....##.",
                                    "..##..#..##..#..",
                                    "...###....###...",
                                    "................",
                                }));
}

TEST(TrayIconBytes, CpuModeHasNoDegreeRing) {
  const IconBytes icon = TrayIconBytes(100, kRules, true);
  EXPECT_EQ(OpaquePixels(icon), (std::vector<std::string>{
                                    "................",
                                    "................",
                                    "................",
                                    ".####...####....",
                                    "##..##.##..##...",
                                    "##..##.##..##...",
                                    "##..##.##..##...",
                                    "##..##.##..##...",
                                    ".#####..#####...",
                                    "....##.....##...",
                                    "....##.....##...",
                                    "##..#..##..#....",
                                    ".###....###.....",
                                    "................",
                                    "................",
                                    "................",
                                }));
}

TEST(TrayIconBytes, RedrawingResetsEverythingAnEarlierNumberChanged) {
  IconBytes buffer = TrayIconBytes(0, kRules, false);
  std::int16_t v = -88;
  DrawTrayNumber(buffer, v, kRules, false);
  v = 7;
  DrawTrayNumber(buffer, v, u"5:10", true);
  EXPECT_EQ(buffer, TrayIconBytes(7, u"5:10", true));
}

TEST(TrayColourRules, LastReachedRuleWinsAndOddRulesBehave) {
  EXPECT_EQ(TrayColourNumber(0, kRules), 0);
  EXPECT_EQ(TrayColourNumber(-40, kRules), 0);
  EXPECT_EQ(TrayColourNumber(1, kRules), 2);
  EXPECT_EQ(TrayColourNumber(15, kRules), 1);
  EXPECT_EQ(TrayColourNumber(99, kRules), 12);
  // A trailing ";" changes nothing.
  for (int v = -99; v <= 99; ++v) {
    ASSERT_EQ(TrayIconBytes(static_cast<std::int16_t>(v), u"1:2;15:1;35:12;", false),
              TrayIconBytes(static_cast<std::int16_t>(v), kRules, false));
  }
  // Out of order: the later rule also matches and wins.
  EXPECT_EQ(TrayColourNumber(40, u"35:12;1:2"), 2);
  // A threshold that is not a number is always reached.
  EXPECT_EQ(TrayColourNumber(-99, u":9"), 9);
  EXPECT_EQ(TrayColourNumber(-99, u"x:9"), 9);
  EXPECT_EQ(TrayColourNumber(-99, u"50:3;x:9"), 9);
  // A rule without a colour is ignored; a colour beyond the palette gives black.
  EXPECT_EQ(TrayColourNumber(30, u"1:2;20"), 2);
  EXPECT_EQ(TrayColourNumber(19, u"1:2;20:99"), 2);
  EXPECT_EQ(TrayColourNumber(20, u"1:2;20:99"), 0);
  EXPECT_EQ(TrayColourNumber(20, u"1:-1"), 0);
  EXPECT_EQ(TrayColourNumber(20, u"1:99999999999"), 0);
  // Numbers read by the leading-number rule: blanks, fractions, trailing text.
  EXPECT_EQ(TrayColourNumber(14, u" 14.5 :3"), 0);
  EXPECT_EQ(TrayColourNumber(15, u" 14.5 :3"), 3);
  EXPECT_EQ(TrayColourNumber(20, u"20C:3"), 3);
  EXPECT_EQ(TrayColourNumber(19, u"20C:3"), 0);
  EXPECT_EQ(TrayColourNumber(-3, u"-3:5"), 5);
  EXPECT_EQ(TrayColourNumber(5, u""), 0);
  EXPECT_EQ(TrayColourNumber(5, u";;;"), 0);
}

TEST(TrayColourRules, ColourNumbersMapToTheIconPalette) {
  const int expected[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
  for (int c = 0; c < 16; ++c) EXPECT_EQ(IconPaletteIndex(c), expected[c]) << c;
  EXPECT_EQ(IconPaletteIndex(16), 0);
  EXPECT_EQ(IconPaletteIndex(-1), 0);
  // 7 and 8 keep their numbers: entry 7 of the icon is #808080, entry 8 #C0C0C0.
  ExpectFilledWith(TrayIconBytes(5, u"0:7", false), 7);
  ExpectFilledWith(TrayIconBytes(5, u"0:8", false), 8);
  auto rgbOfEntry = [](int entry) {
    const std::size_t at = 62 + 4 * static_cast<std::size_t>(entry);
    return (kTrayIconHeader[at + 2] << 16) | (kTrayIconHeader[at + 1] << 8) | kTrayIconHeader[at];
  };
  EXPECT_EQ(rgbOfEntry(7), 0x808080);
  EXPECT_EQ(rgbOfEntry(8), 0xC0C0C0);
  // Every colour number shows in the icon as its palette colour, apart from 7 and 8.
  for (int c = 0; c < 16; ++c) {
    if (c == 7 || c == 8) continue;
    EXPECT_EQ(static_cast<std::uint32_t>(rgbOfEntry(IconPaletteIndex(c))), PaletteRgb(c)) << c;
  }
}

TEST(TrayIconData, ResourceFilesHoldTheBuiltInTables) {
  const std::string dir = std::string(NIMBULUX_SOURCE_DIR) + "/resources/tray/";
  const std::string header = test::ReadFile(dir + "icon_header.bin");
  const std::string digits = test::ReadFile(dir + "digits.bin");
  ASSERT_EQ(header.size(), kTrayIconHeader.size());
  ASSERT_EQ(digits.size(), kTrayDigitGlyphs.size());
  EXPECT_TRUE(std::equal(header.begin(), header.end(), kTrayIconHeader.begin(),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
  EXPECT_TRUE(std::equal(digits.begin(), digits.end(), kTrayDigitGlyphs.begin(),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));

  // Loading them is accepted; data too short is refused and changes nothing.
  EXPECT_TRUE(LoadTrayResources(header, digits));
  EXPECT_FALSE(LoadTrayResources(header.substr(0, 125), digits));
  EXPECT_FALSE(LoadTrayResources(header, digits.substr(0, 10)));
  ExpectHeaderAndPaddingIntact(IconBuffer());
}

TEST(RulePreview, TextsSideBySideInTheirColoursStoppingAtAMalformedRule) {
  auto width = [](TextView t) { return static_cast<int>(t.size()) * 100; };
  const auto texts = RulePreview(kRules, width);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, u">=1℃ ");
  EXPECT_EQ(texts[1].text, u">=15℃ ");
  EXPECT_EQ(texts[2].text, u">=35℃ ");
  EXPECT_EQ(texts[0].x, 0);
  EXPECT_EQ(texts[1].x, 500);
  EXPECT_EQ(texts[2].x, 1100);
  EXPECT_EQ(texts[0].y, 10);
  EXPECT_EQ(texts[0].rgb, 0x008000u);  // green
  EXPECT_EQ(texts[1].rgb, 0x000080u);  // blue
  EXPECT_EQ(texts[2].rgb, 0xFF0000u);  // light red

  EXPECT_EQ(RulePreview(u"1:2;20;35:12", width).size(), 1u);
  EXPECT_EQ(RulePreview(u"1:2;;35:12", width).size(), 1u);
  EXPECT_EQ(RulePreview(u"1:2;15:1;35:12;", width).size(), 3u);
  EXPECT_TRUE(RulePreview(u"", width).empty());
  // Shown as the icon would draw it: a colour beyond the palette is black.
  const auto odd = RulePreview(u"x:99", width);
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(odd[0].text, u">=x℃ ");
  EXPECT_EQ(odd[0].colourNumber, 0);
}
