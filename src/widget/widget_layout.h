// The widget's fixed layout and what a redraw prints where: positions in twips (15 per
// pixel), colours as palette numbers, fonts by kind. The painting itself is the
// window's; everything decided here needs no screen.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "core/twips.h"
#include "weather/weather_state.h"

namespace nimbulux {

// Window and control geometry, twips.
inline constexpr int kWidgetWidthTwips = 4500;
inline constexpr int kWidgetHeightTwips = 3075;
inline constexpr int kWidgetWidthPx = TwipsToPixels(kWidgetWidthTwips);
inline constexpr int kWidgetHeightPx = TwipsToPixels(kWidgetHeightTwips);

struct TwipsRect {
  int left, top, width, height;
};
TwipsRect Image2Rect(int i);  // i = 0, 1
TwipsRect Image1Rect(int i);  // i = 0..4
TwipsRect Image3Rect(int i);  // i = 0..4
inline constexpr TwipsRect kWindLabelRect{360, 600, 900, 480};
inline constexpr TwipsRect kBottomLabelRect{405, 2370, 3600, 210};

inline constexpr char16_t kIndexSwitchTooltip[] = u"切换天气指数";

// The colour number that means "the general text colour, TextColours(0)".
inline constexpr int kGeneralColour = 16;
// The shadow colour every caller passes: RGB red 8, green 0, blue 0.
inline constexpr std::uint32_t kShadowRgb = 0x080000;

// The classic 16-colour palette as 0xRRGGBB.
std::uint32_t TextPaletteRgb(int colour);

struct WidgetFont {
  Text Face;
  int Size = 9;  // points
  bool operator==(const WidgetFont&) const = default;
};

enum class FontKind { Normal, Temperature };

struct PrintedText {
  int x = 0;
  int y = 0;
  Text text;
  int colour = 0;  // as passed: a palette number, or kGeneralColour
  FontKind font = FontKind::Normal;
  bool operator==(const PrintedText&) const = default;
};

// One DrawShadowText call as two prints: the shadow 15 twips right and down, then the
// text in its colour.
struct ShadowPrint {
  int x, y;
  std::uint32_t rgb;
};
std::array<ShadowPrint, 2> ShadowTextPrints(const PrintedText& t,
                                            const std::array<int, 5>& textColours);

// The vertical offsets from the measured height (twips) of the text "℃".
std::int16_t TextOffsetFor(double degreeHeightTwips);
std::int16_t TempTextOffsetFor(double boldDegreeHeightTwips);

struct RenderInput {
  const WeatherState* Weather = nullptr;
  std::array<int, 5> TextColours = kDefaultTextColours;
  int TextOffset = 0;
  int TempTextOffset = 0;
  int ViewMode = kDefaultViewMode;  // 2: the weather index takes columns 3 and 4
  bool NormalView = true;
  std::array<Text, 5> Image1Tags{};
  std::array<Text, 5> Image3Tags{};
};

struct RenderPlan {
  std::vector<PrintedText> Texts;  // in drawing order
  // Columns 0..2 visible or not; nothing when the redraw leaves them alone.
  std::optional<bool> ShowColumns0To2;
};

// Printed width of a text in the normal font, twips.
using MeasureWidth = std::function<double(TextView)>;

RenderPlan PlanRender(const RenderInput& in, const MeasureWidth& measure);

// The tray tooltip: "[city] " or "Nimbulux", then the observation caption,
// temperature and details. The notification area holds 127 bytes of GBK text; a
// longer text is cut at a character boundary.
Text TrayTooltip(const WeatherState& w);

}  // namespace nimbulux
