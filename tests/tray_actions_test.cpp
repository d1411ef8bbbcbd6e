// What a click on the tray icon asks of the widget.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tray/tray_actions.h"

using namespace nimbulux;

namespace {

TrayWidgetState State(bool formVisible, bool widgetVisible, int top, bool cpu) {
  return TrayWidgetState{formVisible, widgetVisible, top, cpu};
}

}  // namespace

TEST(TrayActions, EachNotificationInEachState) {
  using N = TrayNotification;
  using A = TrayAction;
  // An open dialog takes every click.
  for (N n : {N::LeftPress, N::DoubleClick, N::RightPress, N::Other})
    EXPECT_EQ(DecideTrayAction(n, State(true, false, 0, true)), A::FocusControlForm);
  // Left press toggles the widget; from the docked-hidden place it comes back down.
  EXPECT_EQ(DecideTrayAction(N::LeftPress, State(false, true, 500, false)), A::HideWidget);
  EXPECT_EQ(DecideTrayAction(N::LeftPress, State(false, false, 500, false)), A::ShowWidget);
  EXPECT_EQ(DecideTrayAction(N::LeftPress, State(false, false, 0, false)), A::UndockAndShowWidget);
  EXPECT_EQ(DecideTrayAction(N::LeftPress, State(false, false, -2000, true)),
            A::UndockAndShowWidget);
  EXPECT_EQ(DecideTrayAction(N::LeftPress, State(false, true, -2000, false)), A::HideWidget);
  // Double-click shows, or in CPU mode starts the monitor.
  EXPECT_EQ(DecideTrayAction(N::DoubleClick, State(false, true, 1, false)), A::ShowWidget);
  EXPECT_EQ(DecideTrayAction(N::DoubleClick, State(false, true, 0, false)), A::UndockAndShowWidget);
  EXPECT_EQ(DecideTrayAction(N::DoubleClick, State(false, false, 0, true)), A::StartSystemMonitor);
  // Right press opens the menu whatever the widget does.
  EXPECT_EQ(DecideTrayAction(N::RightPress, State(false, false, 0, false)), A::OpenControlMenu);
  EXPECT_EQ(DecideTrayAction(N::RightPress, State(false, true, 9, true)), A::OpenControlMenu);
  EXPECT_EQ(DecideTrayAction(N::Other, State(false, true, 9, false)), A::None);
}

TEST(TrayActions, SystemMonitorIsTheFirstFoundElseATerminalWithTop) {
  auto only = [](std::vector<std::string> present) {
    return [present](const std::string& name) {
      return std::find(present.begin(), present.end(), name) != present.end();
    };
  };
  EXPECT_EQ(SystemMonitorCommand(only({"xfce4-taskmanager", "mate-system-monitor"})).program,
            "xfce4-taskmanager");
  EXPECT_EQ(SystemMonitorCommand(only({"plasma-systemmonitor", "gnome-system-monitor"})).program,
            "gnome-system-monitor");
  const ProgramCommand fallback = SystemMonitorCommand(only({}));
  EXPECT_EQ(fallback.program, "x-terminal-emulator");
  EXPECT_EQ(fallback.arguments, (std::vector<std::string>{"-e", "top"}));
}
