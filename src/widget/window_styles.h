// The widget's window styles: translucency and click-through, always on top, and
// embedding in the desktop.
#pragma once

class QWidget;

namespace nimbulux {

// Opacity 0..255 (255 opaque) and whether clicks pass through to the windows below.
void ApplyWindowStyle(QWidget* window, bool clickThrough, int opacity);

// Always on top, or a normal window.
void SetTopmost(QWidget* window, bool topmost);

// Kept below all other windows on every workspace (a desktop window), or a normal one.
void SetDesktopEmbedded(QWidget* window, bool embedded);

}  // namespace nimbulux
