#include "widget/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

namespace nimbulux {

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : MouseLabel(parent) {}

void PictureBoxWidget::SetPicture(const std::optional<QImage>& picture) {
  picture_ = picture;
  if (picture_ && picture_->isNull()) picture_.reset();
  update();
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
  if (!picture_) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(rect(), *picture_);
}

MouseLabel::MouseLabel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  setMouseTracking(true);
}

void MouseLabel::mousePressEvent(QMouseEvent* event) {
  Q_EMIT pressed(event->button(), event->position().toPoint());
}
void MouseLabel::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(event->position().toPoint()); }
// The double-click commands are the left button's; a second press of another button
// soon after the first is a press all the same.
void MouseLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);
    return;
  }
  Q_EMIT doubleClicked();
}

}  // namespace nimbulux
