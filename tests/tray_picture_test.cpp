// The icon bytes decoded as the picture the tray shows.
#include <gtest/gtest.h>

#include "core/setting_defaults.h"
#include "tray/tray_icon.h"

using namespace nimbulux;

namespace {

bool Opaque(const QImage& image, int x, int topRow) { return qAlpha(image.pixel(x, topRow)) != 0; }

}  // namespace

TEST(TemperatureIcon, DecodesTo16x16WithTheDigitsInTheRuleColour) {
  std::int16_t value = 1;
  const auto picture = TemperatureIcon(value, kDefaultTrayColourRules, false);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->size(), QSize(16, 16));
  // The digit 1: its stem in columns 8 and 9 from the 4th to the 13th row from the top.
  EXPECT_TRUE(Opaque(*picture, 8, 8));
  EXPECT_EQ(picture->pixel(8, 8) & 0xFFFFFF, 0x008000u);  // green
  EXPECT_TRUE(Opaque(*picture, 9, 12));
  // The background lets the panel show through.
  EXPECT_FALSE(Opaque(*picture, 0, 0));
  EXPECT_FALSE(Opaque(*picture, 3, 8));
  // The degree ring in the top-right corner, no pixel of it inside.
  EXPECT_TRUE(Opaque(*picture, 13, 0));
  EXPECT_TRUE(Opaque(*picture, 12, 1));
  EXPECT_FALSE(Opaque(*picture, 13, 1));
  // The buffer kept for the run holds what was drawn.
  EXPECT_EQ(IconBuffer(), TrayIconBytes(1, kDefaultTrayColourRules, false));
}

TEST(TemperatureIcon, EveryColourAndValueDecodes) {
  for (int c = 0; c < 16; ++c) {
    const Text rules = u"-99:" + DecimalText(c);
    for (int v : {-150, -99, -10, -9, -1, 0, 9, 10, 99, 150}) {
      std::int16_t value = static_cast<std::int16_t>(v);
      const auto picture = TemperatureIcon(value, rules, c % 2 == 0);
      ASSERT_TRUE(picture) << c << " " << v;
      ASSERT_EQ(picture->size(), QSize(16, 16));
    }
  }
  // Colours 7 and 8 come out as the icon palette's grey entries.
  std::int16_t value = 8;
  auto picture = TemperatureIcon(value, u"0:7", true);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixel(6, 3) & 0xFFFFFF, 0x808080u);
  picture = TemperatureIcon(value, u"0:8", true);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixel(6, 3) & 0xFFFFFF, 0xC0C0C0u);
  // CPU mode: no ring.
  EXPECT_FALSE(Opaque(*picture, 13, 0));
}
