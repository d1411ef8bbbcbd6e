#include "widget/docking.h"

#include <algorithm>

namespace nimbulux {

DockState DockStateOf(double topTwips) {
  if (topTwips == kDockedTopTwips) return DockState::Docked;
  if (topTwips == kHiddenTopTwips) return DockState::Hidden;
  return DockState::Free;
}

double TopAfterPointerMove(const DockGeometry& window, PointerPx pointer) {
  const double tppX = window.TwipsPerPixelX > 0 ? window.TwipsPerPixelX : kTwipsPerPixel;
  const double tppY = window.TwipsPerPixelY > 0 ? window.TwipsPerPixelY : kTwipsPerPixel;
  const double left = window.LeftTwips / tppX;
  const double right = (window.LeftTwips + window.WidthTwips) / tppX;
  const double bottom = window.HeightTwips / tppY;
  const bool nearSide = pointer.x < left + 20 || pointer.x > right - 40;
  switch (DockStateOf(window.TopTwips)) {
    case DockState::Docked:
      if (nearSide || pointer.y > bottom - 40) return kHiddenTopTwips;
      return window.TopTwips;
    case DockState::Hidden:
      // The strip spans the whole width, but its ends lie in the zones that hide a
      // docked widget: coming back there would hide it again at the next move, and
      // the widget would flicker up and down for as long as the pointer moves there.
      return nearSide ? window.TopTwips : kDockedTopTwips;
    case DockState::Free:
      return window.TopTwips < kDockedTopTwips ? kHiddenTopTwips : window.TopTwips;
  }
  return window.TopTwips;
}

LayeredAttributes WindowStyleParameters(bool trans, int opacity) {
  LayeredAttributes a;
  a.ClickThrough = trans;
  a.Opacity = OpacityFromScrollValue(opacity);
  return a;
}

std::uint8_t OpacityFromScrollValue(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

TwipsPoint CentredPosition(double screenWidthTwips, double screenHeightTwips,
                           double widgetWidthTwips, double widgetHeightTwips) {
  return {(screenWidthTwips - widgetWidthTwips) / 2, (screenHeightTwips - widgetHeightTwips) / 2};
}

StyleEffects StyleEntryClicked(StyleEntry entry, const WindowStyleMarks& before,
                               const StyleContext& context) {
  StyleEffects e;
  e.Marks = before;
  switch (entry) {
    case StyleEntry::Lock:
      e.Marks.Lock = !before.Lock;
      break;
    case StyleEntry::Top:
      e.Marks.Top = !before.Top;
      e.Topmost = e.Marks.Top;
      break;
    case StyleEntry::Trans:
      e.Marks.Trans = !before.Trans;
      e.Style = WindowStyleParameters(e.Marks.Trans, context.Opacity);
      break;
    case StyleEntry::Desk:
      e.Marks.Desk = !before.Desk;
      e.ProcessPendingEvents = true;
      e.Embedded = e.Marks.Desk;
      e.MoveTo = context.Position;
      break;
    case StyleEntry::Default:
      e.ProcessPendingEvents = true;
      e.Marks = WindowStyleMarks{};
      e.Embedded = false;
      e.Style = WindowStyleParameters(false, context.Opacity);
      e.Topmost = false;
      e.MoveTo = CentredPosition(context.ScreenWidthTwips, context.ScreenHeightTwips);
      e.ShowAndFocus = true;
      break;
  }
  return e;
}

}  // namespace nimbulux
