#include "tray/tray_actions.h"

namespace nimbulux {

TrayAction DecideTrayAction(TrayNotification notification, const TrayWidgetState& state) {
  if (state.controlFormVisible) return TrayAction::FocusControlForm;
  const bool left = notification == TrayNotification::LeftPress;
  const bool doubleClick = notification == TrayNotification::DoubleClick;
  if ((!state.widgetVisible && left) || doubleClick) {
    if (state.cpuMode && doubleClick) return TrayAction::StartSystemMonitor;
    return state.widgetTopTwips < 1 ? TrayAction::UndockAndShowWidget : TrayAction::ShowWidget;
  }
  if (state.widgetVisible && left) return TrayAction::HideWidget;
  if (notification == TrayNotification::RightPress) return TrayAction::OpenControlMenu;
  return TrayAction::None;
}

ProgramCommand SystemMonitorCommand(const std::function<bool(const std::string&)>& isFound) {
  static const char* const kMonitors[] = {"gnome-system-monitor", "plasma-systemmonitor",
                                          "xfce4-taskmanager", "mate-system-monitor"};
  for (const char* monitor : kMonitors) {
    if (isFound && isFound(monitor)) {
      ProgramCommand command{monitor, {}};
      // Open on the processes/resources view where the monitor allows choosing it.
      if (command.program == "gnome-system-monitor") command.arguments = {"-r"};
      return command;
    }
  }
  return {"x-terminal-emulator", {"-e", "top"}};
}

}  // namespace nimbulux
