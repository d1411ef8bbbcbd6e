#include "widget/mouse_commands.h"

namespace nimbulux {

DoubleClickCommand CommandForDoubleClick(MouseTarget target) {
  switch (target) {
    case MouseTarget::BigPicture0:
      return DoubleClickCommand::Refresh;
    case MouseTarget::BigPicture1:
      return DoubleClickCommand::SwitchIndex;
    case MouseTarget::SmallPicture:
      return DoubleClickCommand::SwitchRow;
    case MouseTarget::Window:
    case MouseTarget::WindLabel:
      return DoubleClickCommand::ChooseFontAndColour;
    case MouseTarget::BottomLabel:
      return DoubleClickCommand::None;
  }
  return DoubleClickCommand::None;
}

int NextShowSeveralCities(int current) { return current > 0 ? 0 : 1; }

IndexViewChange SwitchIndexView(bool showColumns, bool hasTemperature) {
  IndexViewChange change;
  if (hasTemperature) change.ShowColumns3And4 = showColumns;
  change.ViewMode = showColumns ? kFiveColumnsView : kIndexView;
  return change;
}

IndexViewChange ToggleIndexView(int viewMode, bool hasTemperature) {
  return SwitchIndexView(viewMode == kIndexView, hasTemperature);
}

PressAction PressActionFor(bool leftButton, int x, int y, int textOffset, bool locked) {
  if (leftButton) return locked ? PressAction::None : PressAction::Drag;
  const bool overCityName = x > 1400 && x < 2560 && y < textOffset + 630;
  return overCityName ? PressAction::CityMenu : PressAction::ControlMenu;
}

bool TopmostAfterDrag(double topTwips, bool topSetting) { return topTwips <= 1 || topSetting; }

std::optional<bool> NormalViewAfterMove(int x, int y, int textOffset, int viewMode,
                                        bool hasTemperature, bool normalView) {
  if (!hasTemperature || viewMode != kIndexView) return std::nullopt;
  const bool inside = y > textOffset + 1200 && y < textOffset + 2000 && x > 2640;
  if (inside && normalView) return false;
  if (!inside && !normalView) return true;
  return std::nullopt;
}

}  // namespace nimbulux
