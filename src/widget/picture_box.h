// A picture box of the widget: shows its picture stretched to the box.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "core/text.h"

namespace nimbulux {

class PictureBoxWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBoxWidget(QWidget* parent = nullptr);

  // None: the box shows nothing.
  void SetPicture(const std::optional<QImage>& picture);
  bool HasPicture() const { return picture_.has_value(); }

 Q_SIGNALS:
  // Positions in the box's own pixels.
  void pressed(Qt::MouseButton button, QPoint pos);
  void moved(QPoint pos);
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::optional<QImage> picture_;
};

// A transparent mouse target with a tooltip (lbWind, lbText).
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

}  // namespace nimbulux
