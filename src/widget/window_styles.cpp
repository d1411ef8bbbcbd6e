#include "widget/window_styles.h"

#include <QWidget>

namespace nimbulux {

namespace {
// Changing window flags hides a window; show it again when it was shown.
void SetFlag(QWidget* window, Qt::WindowType flag, bool on) {
  if (window->windowFlags().testFlag(flag) == on) return;
  const bool visible = window->isVisible();
  window->setWindowFlag(flag, on);
  if (visible) window->show();
}
}  // namespace

void ApplyWindowStyle(QWidget* window, bool clickThrough, int opacity) {
  if (!window) return;
  SetFlag(window, Qt::WindowTransparentForInput, clickThrough);
  window->setWindowOpacity((opacity < 0 ? 0 : opacity > 255 ? 255 : opacity) / 255.0);
}

void SetTopmost(QWidget* window, bool topmost) {
  if (!window) return;
  if (topmost) SetFlag(window, Qt::WindowStaysOnBottomHint, false);
  SetFlag(window, Qt::WindowStaysOnTopHint, topmost);
}

void SetDesktopEmbedded(QWidget* window, bool embedded) {
  if (!window) return;
  if (embedded) SetFlag(window, Qt::WindowStaysOnTopHint, false);
  SetFlag(window, Qt::WindowStaysOnBottomHint, embedded);
}

}  // namespace nimbulux
