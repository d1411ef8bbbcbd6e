// What a click on the tray icon does, decided without a screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace nimbulux {

// The notifications of the tray icon, numbered as the mouse messages they stand for.
enum class TrayNotification {
  LeftPress = 513,
  DoubleClick = 515,
  RightPress = 516,
  Other = 0,
};

enum class TrayAction {
  None,
  FocusControlForm,     // a dialog of the control form is open: bring it forward, nothing else
  ShowWidget,           // show (if hidden) and focus the widget
  UndockAndShowWidget,  // the same, after moving its top edge from the docked-hidden place to 1
                        // twip
  HideWidget,
  OpenControlMenu,     // show and focus the widget, then pop up the control menu at the pointer
  StartSystemMonitor,  // CPU mode double-click
};

struct TrayWidgetState {
  bool controlFormVisible = false;
  bool widgetVisible = true;
  int widgetTopTwips = 0;
  bool cpuMode = false;
};

TrayAction DecideTrayAction(TrayNotification notification, const TrayWidgetState& state);

// The program and arguments that start a system monitor: the first of the known monitors
// that isFound reports, else a terminal running top.
struct ProgramCommand {
  std::string program;
  std::vector<std::string> arguments;
};
ProgramCommand SystemMonitorCommand(const std::function<bool(const std::string&)>& isFound);

}  // namespace nimbulux
