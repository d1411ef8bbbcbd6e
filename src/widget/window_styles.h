// The widget's window styles on the desktop: translucency with exact black fully
// see-through, click-through, always on top, and the desktop-widget window (kept below
// all others, on every workspace, out of the task bar and pager). The decisions are
// made in docking.h; these functions carry them out on a real window.
#pragma once

#include <functional>

class QWidget;

namespace nimbulux {

// Layered with the opacity 0..255 (255 opaque): pixels of exact black show the windows
// below at any opacity, and with clickThrough every click reaches the window below.
// The first call keeps the see-through pixels up to date from then on.
void ApplyWindowStyle(QWidget* window, bool clickThrough, int opacity);

// Always on top, or a normal window. A desktop-widget window stays below all others.
void SetTopmost(QWidget* window, bool topmost);

// The desktop-widget window, or a normal top-level window again. The window is not
// recreated, so it keeps its place; a hidden window takes the state when next shown.
void SetDesktopEmbedded(QWidget* window, bool embedded);
bool IsDesktopEmbedded(const QWidget* window);

// True on the offscreen platform (a run without a screen): no window manager raises
// windows there, and there is no task bar and no notification area.
bool Headless();

// Keeps the window out of the task bar and the pager in every style, from now on.
void KeepOutOfTaskBar(QWidget* window);

// The window system's own move of window with the pointer (the left button is down).
// done runs once the move is over (the button released), with the window in its new
// place. False when the window system refuses, or when the button is already up (a press
// replayed after a wait); the caller then drags by hand.
bool StartSystemMove(QWidget* window, std::function<void()> done);

}  // namespace nimbulux
