// The widget's controls: mouse targets (the labels) and picture boxes.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "core/text.h"

namespace nimbulux {

// A transparent mouse target with a tooltip (lbWind, lbText); positions are in the
// control's own pixels.
class MouseLabel : public QWidget {
  Q_OBJECT

 public:
  explicit MouseLabel(QWidget* parent = nullptr);

 Q_SIGNALS:
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void doubleClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A picture box: the same mouse target, showing its picture stretched to the box.
class PictureBoxWidget : public MouseLabel {
  Q_OBJECT

 public:
  explicit PictureBoxWidget(QWidget* parent = nullptr);

  // None: the box shows nothing.
  void SetPicture(const std::optional<QImage>& picture);
  bool HasPicture() const { return picture_.has_value(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<QImage> picture_;
};

}  // namespace nimbulux
