// Where the widget window sits and how it stacks: docking at the top edge of the
// screen, and the window styles of the style menu (default, desktop, on top, locked,
// click-through) with the opacity. All positions are twips; the window carries out
// the decisions made here.
#pragma once

#include <cstdint>
#include <optional>

#include "core/setting_defaults.h"
#include "core/twips.h"
#include "widget/widget_layout.h"

namespace nimbulux {

// ---- docking at the top edge ---------------------------------------------------------

// A top edge of exactly 1 twip is docked and shown; exactly -2620 twips is docked and
// hidden, which leaves the lowest 455 twips (about 30 pixels) of the window on the
// screen as a strip to bring it back.
inline constexpr double kDockedTopTwips = 1;
inline constexpr double kHiddenTopTwips = -2620;

enum class DockState { Free, Docked, Hidden };
DockState DockStateOf(double topTwips);

struct DockGeometry {
  double LeftTwips = 0;
  double TopTwips = 0;
  double WidthTwips = kWidgetWidthTwips;
  double HeightTwips = kWidgetHeightTwips;
  double TwipsPerPixelX = kTwipsPerPixel;
  double TwipsPerPixelY = kTwipsPerPixel;
};

// Pointer position on the screen, pixels.
struct PointerPx {
  int x = 0;
  int y = 0;
};

// The top edge after a pointer move over the widget. A docked widget hides when the
// pointer comes within 20 pixels of its left edge, 40 of its right edge or 40 of its
// bottom edge; a hidden one comes back when the pointer is on its strip; one dragged
// above the screen edge hides. Otherwise the top edge stays.
double TopAfterPointerMove(const DockGeometry& window, PointerPx pointer);

// ---- window styles -------------------------------------------------------------------

// The check marks of the style entries; the flags of the same names mirror them, and
// the exit routine saves them.
struct WindowStyleMarks {
  bool Lock = false;   // a left press does not drag
  bool Top = false;    // always on top
  bool Trans = false;  // mouse input passes through to the windows below
  bool Desk = false;   // embedded in the desktop
  bool operator==(const WindowStyleMarks&) const = default;
};

enum class StyleEntry { Default, Desk, Top, Lock, Trans };

// The parameters of ApplyWindowStyle: always layered, click-through only with
// "Trans", the whole window drawn with alpha Opacity, exact black fully transparent.
struct LayeredAttributes {
  bool ClickThrough = false;
  std::uint8_t Opacity = kOpaque;
  std::uint32_t ColourKey = 0x000000;
  bool UseColourKey = true;
  bool UseAlpha = true;
  bool operator==(const LayeredAttributes&) const = default;
};
LayeredAttributes WindowStyleParameters(bool trans, int opacity);

// The opacity scroll bar's value as the byte the window takes (0..255).
std::uint8_t OpacityFromScrollValue(int value);

struct TwipsPoint {
  double Left = 0;
  double Top = 0;
  bool operator==(const TwipsPoint&) const = default;
};

// The widget's place in the centre of a screen of the given size (twips).
TwipsPoint CentredPosition(double screenWidthTwips, double screenHeightTwips,
                           double widgetWidthTwips = kWidgetWidthTwips,
                           double widgetHeightTwips = kWidgetHeightTwips);

// What a click on a style entry does, in the order the window carries it out:
// pending events, parent (desktop or none), style, stacking, position, show.
struct StyleEffects {
  WindowStyleMarks Marks;  // check marks and flags afterwards
  bool ProcessPendingEvents = false;
  std::optional<bool> Embedded;            // into the desktop (true) or out of it
  std::optional<LayeredAttributes> Style;  // ApplyWindowStyle with these
  std::optional<bool> Topmost;             // on top (true) or a normal window
  std::optional<TwipsPoint> MoveTo;        // nothing: the window stays where it is
  bool ShowAndFocus = false;
};

struct StyleContext {
  int Opacity = kOpaque;
  TwipsPoint Position;  // the widget's current place
  double ScreenWidthTwips = 0;
  double ScreenHeightTwips = 0;
};

// entry's new state is the inverse of its mark before the click ("缺省" resets all).
// Changing the desktop parent keeps the widget where it was on the screen.
StyleEffects StyleEntryClicked(StyleEntry entry, const WindowStyleMarks& before,
                               const StyleContext& context);

}  // namespace nimbulux
