// What the widget's mouse commands decide, over plain inputs: the double-click
// commands of the pictures, the weather-index switch, the right-press menus, the
// topmost decision after a drag and the details view while the pointer rests on the
// index lines. Positions are twips in window coordinates. The window carries out the
// decisions; nothing here needs a screen.
#pragma once

#include <optional>

#include "core/setting_defaults.h"

namespace nimbulux {

// The controls of the widget that take mouse events.
enum class MouseTarget {
  Window,
  BigPicture0,   // Image2(0)
  BigPicture1,   // Image2(1)
  SmallPicture,  // Image1(i) or Image3(i), any column
  WindLabel,     // lbWind
  BottomLabel,   // lbText
};

enum class DoubleClickCommand {
  None,
  Refresh,              // refresh now
  SwitchIndex,          // ToggleIndexView, then NormalView = true and redraw
  SwitchRow,            // ShowSeveralCities = NextShowSeveralCities(...), then refresh
  ChooseFontAndColour,  // FontRegionAt at the last pointer position, then the chooser
};

DoubleClickCommand CommandForDoubleClick(MouseTarget target);

// The row of small pictures alternates between the five days (0) and the watched
// cities (1); any value above 0 counts as the cities.
int NextShowSeveralCities(int current);

// What SwitchIndexView(showColumns) does.
struct IndexViewChange {
  int ViewMode =
      kDefaultViewMode;  // 4: five forecast columns; 2: the weather index takes columns 3, 4
  // Visibility of Image1/Image3 columns 3 and 4; nothing when they stay as they are
  // (no current temperature, so no index band to make room for).
  std::optional<bool> ShowColumns3And4;
};
IndexViewChange SwitchIndexView(bool showColumns, bool hasTemperature);

// The double-click on the second big picture: from the index view to the five
// columns and back. NormalView becomes true afterwards.
IndexViewChange ToggleIndexView(int viewMode, bool hasTemperature);

// A mouse press on the widget (any control's press translated to window twips).
enum class PressAction {
  None,         // left press while locked
  Drag,         // system move, then TopmostAfterDrag
  CityMenu,     // right press over the city name: the city submenu alone
  ControlMenu,  // any other non-left press: the whole control menu
};
PressAction PressActionFor(bool leftButton, int x, int y, int textOffset, bool locked);

// After a drag: topmost when the top edge ended at or above the docking edge (so
// that the next pointer move docks it) or when "Top" is set.
bool TopmostAfterDrag(double topTwips, bool topSetting);

// The details view while the pointer rests on the index lines: the new NormalView
// when the move changes it (the widget then redraws), nothing when it stays.
std::optional<bool> NormalViewAfterMove(int x, int y, int textOffset, int viewMode,
                                        bool hasTemperature, bool normalView);

}  // namespace nimbulux
