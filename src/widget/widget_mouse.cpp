// The widget's mouse commands: drag, the popup menus, the double-click commands and
// the details view while the pointer rests on the index lines.
#include <QCursor>
#include <QMouseEvent>
#include <QWindow>

#include "app/startup_rules.h"
#include "widget/widget_window.h"

namespace nimbulux {

namespace {
QPoint ToTwips(QPoint px) { return px * static_cast<int>(kTwipsPerPixel); }
}  // namespace

void WidgetWindow::ConnectMouse() {
  auto forward = [this](QWidget* control, auto* sender) {
    connect(
        sender, &std::remove_pointer_t<decltype(sender)>::pressed, this,
        [this, control](Qt::MouseButton b, QPoint p) { WidgetMouseDown(b, p + control->pos()); });
  };
  for (PictureBoxWidget* box : image2_) forward(box, box);
  for (PictureBoxWidget* box : image1_) forward(box, box);
  for (PictureBoxWidget* box : image3_) forward(box, box);
  forward(lbWind_, lbWind_);
  forward(lbText_, lbText_);
  connect(lbWind_, &MouseLabel::moved, this, [this](QPoint p) {
    const QPoint t = ToTwips(p + lbWind_->pos());
    lastMouseX_ = t.x();
    lastMouseY_ = t.y();
  });
  connect(image2_[0], &PictureBoxWidget::doubleClicked, this,
          [this] { Q_EMIT refreshRequested(); });
  connect(image2_[1], &PictureBoxWidget::doubleClicked, this,
          [this] { Q_EMIT indexSwitchRequested(); });
  for (int i = 0; i < 5; ++i) {
    connect(image1_[i], &PictureBoxWidget::doubleClicked, this,
            [this] { Q_EMIT rowSwitchRequested(); });
    connect(image3_[i], &PictureBoxWidget::doubleClicked, this,
            [this] { Q_EMIT rowSwitchRequested(); });
  }
  connect(lbWind_, &MouseLabel::doubleClicked, this, [this] { WidgetDoubleClick(); });
}

void WidgetWindow::mousePressEvent(QMouseEvent* event) {
  WidgetMouseDown(event->button(), event->position().toPoint());
}

void WidgetWindow::mouseMoveEvent(QMouseEvent* event) {
  WidgetMouseMove(event->position().toPoint());
}

void WidgetWindow::mouseDoubleClickEvent(QMouseEvent*) { WidgetDoubleClick(); }

void WidgetWindow::WidgetMouseDown(Qt::MouseButton button, QPoint windowPx) {
  const QPoint t = ToTwips(windowPx);
  if (button == Qt::LeftButton) {
    if (Flags.Lock) return;
    if (windowHandle()) windowHandle()->startSystemMove();
    return;
  }
  const bool cityMenu = t.x() > 1400 && t.x() < 2560 && t.y() < textOffset_ + 630;
  Q_EMIT menuRequested(QCursor::pos(), cityMenu);
}

void WidgetWindow::WidgetMouseMove(QPoint windowPx) {
  const QPoint t = ToTwips(windowPx);
  lastMouseX_ = t.x();
  lastMouseY_ = t.y();
  // Docking at the top edge: a docked widget slides up when the pointer is about to
  // leave it and comes back when the pointer touches the strip left on the screen.
  if (topTwips_ == 1) {
    const QPoint p = QCursor::pos();
    const double left = leftTwips_ / kTwipsPerPixel;
    const double right = (leftTwips_ + kWidgetWidthTwips) / kTwipsPerPixel;
    const double bottom = kWidgetHeightTwips / kTwipsPerPixel;
    if (p.x() < left + 20 || p.x() > right - 40 || p.y() > bottom - 40) SetTopTwips(-2620);
  } else if (topTwips_ == -2620) {
    SetTopTwips(1);
  } else if (topTwips_ < 1) {
    SetTopTwips(-2620);
  }
  if (ViewMode == 2 && hasTemperature_) {
    const bool inside = t.y() > textOffset_ + 1200 && t.y() < textOffset_ + 2000 && t.x() > 2640;
    if (inside == NormalView) {
      NormalView = !inside;
      Q_EMIT viewChanged();
    }
  }
}

void WidgetWindow::WidgetDoubleClick() {
  const int x = lastMouseX_, y = lastMouseY_, off = textOffset_;
  if (y < off + 1200) {
    if (y < off + 890 && x < 1400) {
      Q_EMIT fontChooserRequested(4, FontKind::Normal);
    } else if (y < 650 && x < 2620) {
      Q_EMIT fontChooserRequested(2, FontKind::Normal);
    } else if (y > off + 660 && x > 2640) {
      Q_EMIT fontChooserRequested(1, FontKind::Temperature);
    } else if (y > off + 900 && x < 1400) {
      Q_EMIT fontChooserRequested(1, FontKind::Normal);
    } else {
      Q_EMIT fontChooserRequested(0, FontKind::Normal);
    }
  } else if (y > off + 1200 && y < off + 2320 && x > 2640 && ViewMode == 2) {
    Q_EMIT fontChooserRequested(3, FontKind::Normal);
  }
}

}  // namespace nimbulux
