// The few X11 window-manager requests Qt has no API for. Every function does nothing
// (or answers nothing) when the program does not run on X11.
#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace nimbulux::x11 {

bool Available();

// Keeps the window out of the task bar and the pager (a widget is reached through its
// tray icon and its own window); as a desktop widget also on every workspace, else back
// on the current workspace only.
void SetWidgetStates(QWidget* window, bool desktopWidget);

// Where the window's top-left corner really is on the screen, as the X server says.
std::optional<QPoint> WindowPosition(QWidget* window);

// Whether any mouse button is down now, as the X server sees it (also while the
// window manager holds the pointer); nothing off X11.
std::optional<bool> PointerButtonsDown();

}  // namespace nimbulux::x11
