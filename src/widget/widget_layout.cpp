#include "widget/widget_layout.h"

#include "core/gbk.h"

namespace nimbulux {

TwipsRect Image2Rect(int i) { return {630 * i, 30, 630, 450}; }
TwipsRect Image1Rect(int i) { return {550 + 750 * i, 1500, 315, 225}; }
TwipsRect Image3Rect(int i) { return {550 + 750 * i, 1740, 315, 225}; }

std::uint32_t TextPaletteRgb(int colour) {
  static constexpr std::uint32_t kPalette[16] = {
      0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
      0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  if (colour < 0 || colour > 15) return 0;
  return kPalette[colour];
}

std::array<ShadowPrint, 2> ShadowTextPrints(const PrintedText& t,
                                            const std::array<int, 5>& textColours) {
  const int c = t.colour == kGeneralColour ? textColours[0] : t.colour;
  // The shadow sits one pixel right and down.
  constexpr int kShadowOffset = static_cast<int>(kTwipsPerPixel);
  return {ShadowPrint{t.x + kShadowOffset, t.y + kShadowOffset, kShadowRgb},
          ShadowPrint{t.x, t.y, TextPaletteRgb(c)}};
}

namespace {
std::int16_t ClampToInt16(double v) {
  if (auto r = ToInt16(v)) return *r;
  return v < 0 ? -32768 : 32767;
}
}  // namespace

std::int16_t TextOffsetFor(double degreeHeightTwips) {
  return ClampToInt16((180.0 - degreeHeightTwips) / 2.0);
}

std::int16_t TempTextOffsetFor(double boldDegreeHeightTwips) {
  return ClampToInt16(555.0 - boldDegreeHeightTwips);
}

RenderPlan PlanRender(const RenderInput& in, const MeasureWidth& measure) {
  static const WeatherState kEmpty;
  const WeatherState& w = in.Weather ? *in.Weather : kEmpty;
  const int off = in.TextOffset;
  RenderPlan plan;
  auto print = [&](int x, int y, TextView text, int slot, FontKind font = FontKind::Normal) {
    const int colour = slot == 0 ? kGeneralColour : in.TextColours[slot];
    plan.Texts.push_back(PrintedText{x, y, Text(text), colour, font});
  };

  print(1440, off + 400, w.CityName, 2);
  // Date words that the page did not give are not printed (a missing word ends the line).
  if (w.DateWords.size() >= 2) print(400, off + 2370, w.DateWords[0] + u" " + w.DateWords[1], 0);
  if (w.DateWords.size() >= 3) print(3000, off + 2370, w.DateWords[2], 0);
  const auto shortNote = [](const Text& s) { return !s.empty() && s.size() <= 3; };
  if (shortNote(w.PageNotes[0])) {
    print(2380, off + 2370, w.PageNotes[0], 4);
  } else if (shortNote(w.PageNotes[1])) {
    print(2380, off + 2370, w.PageNotes[1], 4);
  }
  {
    const Text& t = w.NowTemperature;
    const int x = 2460 + (6 - static_cast<int>(t.size())) * 135;
    print(x, in.TempTextOffset + 600, t.size() > 1 ? t : Text(), 1, FontKind::Temperature);
  }
  print(2560, off + 420, w.NowTimeText, 0);
  print(1440, off + 660, w.NowDetails[0], 0);
  print(1440, off + 900, w.NowDetails[1], 0);
  if (!w.TodayForecast[0].empty()) {
    print(360, off + 660, w.TodayForecast[0], 4);
    print(360, off + 900,
          TrimBlanks(w.TodayForecast[1]) + u"/" + TrimBlanks(w.TodayForecast[2]) + u"℃", 1);
  }
  if (!w.NowTemperature.empty() && in.ViewMode == kIndexView) {
    for (int k = 0; k < 4; ++k) {
      print(2800, off + 1200 + 285 * k, in.NormalView ? w.ExtraLines[k] : w.ExtraLines[11 + 2 * k],
            3);
    }
    if (!in.NormalView) {
      print(600, off + 1200, w.ExtraLines[6], 0);
      print(600, off + 1485, w.ExtraLines[7], 2);
      print(600, off + 1770, w.ExtraLines[8], 0);
      print(600, off + 2055, w.ExtraLines[9], 1);
    }
    plan.ShowColumns0To2 = in.NormalView;
  }
  if (in.NormalView) {
    for (int j = 0; j < 5; ++j) {
      if (!w.NowTemperature.empty() && j > in.ViewMode) continue;
      for (int row = 0; row < 2; ++row) {
        const Text& label = row == 0 ? in.Image1Tags[j] : in.Image3Tags[j];
        const double width = measure ? measure(label) : 0.0;
        const double x = RoundHalfEven((720.0 - width) / 2.0 + 360.0 + 750.0 * j);
        print(static_cast<int>(x), off + (row == 0 ? 1200 : 2055), label, 0);
      }
    }
  }
  return plan;
}

Text TrayTooltip(const WeatherState& w) {
  Text tip = w.CityName.empty() ? Text(u"Nimbulux") : u"[" + w.CityName + u"] ";
  if (!w.NowTimeText.empty()) {
    tip += w.NowTimeText + u"  " + w.NowTemperature + u"\r" + w.NowDetails[0] + u" " +
           w.NowDetails[1] + u" " + w.NowDetails[2];
  }
  // Cut whole characters (never half a surrogate pair) until the GBK form fits.
  while (GbkFromText(tip).size() > 127) {
    std::size_t cut = tip.size() - 1;
    if (cut > 0 && tip[cut] >= 0xDC00 && tip[cut] <= 0xDFFF) --cut;
    tip.resize(cut);
  }
  return tip;
}

}  // namespace nimbulux
