// The widget's mouse commands: drag, the popup menus, the double-click commands,
// docking at the top edge and the details view while the pointer rests on the index
// lines. The decisions are those of mouse_commands, docking and font_choice.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>

#include "core/twips.h"
#include "widget/docking.h"
#include "widget/font_choice.h"
#include "widget/mouse_commands.h"
#include "widget/widget_window.h"
#include "widget/window_styles.h"
#include "widget/window_styles_x11.h"

namespace nimbulux {

namespace {
QPoint ToTwips(QPoint px) { return px * static_cast<int>(kTwipsPerPixel); }
}  // namespace

void WidgetWindow::ConnectMouse() {
  // Presses on the pictures and labels act as presses on the window, at the same
  // place, so the whole widget can be dragged and right-clicked.
  auto forward = [this](QWidget* control, auto* sender) {
    connect(sender, &std::remove_pointer_t<decltype(sender)>::pressed, this,
            [this, control](Qt::MouseButton b, QPoint p) {
              WidgetMouseDown(b, p + control->pos(), control->mapToGlobal(p));
            });
  };
  for (PictureBoxWidget* box : image2_) forward(box, box);
  for (PictureBoxWidget* box : image1_) forward(box, box);
  for (PictureBoxWidget* box : image3_) forward(box, box);
  forward(lbWind_, lbWind_);
  forward(lbText_, lbText_);
  // A press on a control keeps the pointer's moves on that control until release.
  auto continueOn = [this](auto* control) {
    connect(control, &std::remove_pointer_t<decltype(control)>::moved, this,
            [this, control](QPoint p) { ContinuePendingDrag(control->mapToGlobal(p)); });
  };
  for (PictureBoxWidget* box : image2_) continueOn(box);
  for (PictureBoxWidget* box : image1_) continueOn(box);
  for (PictureBoxWidget* box : image3_) continueOn(box);
  continueOn(lbText_);
  connect(lbWind_, &MouseLabel::moved, this, [this](QPoint p) {
    if (ContinuePendingDrag(lbWind_->mapToGlobal(p))) return;
    const QPoint t = ToTwips(p + lbWind_->pos());
    lastMouseX_ = t.x();
    lastMouseY_ = t.y();
  });

  auto onDoubleClick = [this](auto* sender, MouseTarget target) {
    connect(sender, &std::remove_pointer_t<decltype(sender)>::doubleClicked, this, [this, target] {
      switch (CommandForDoubleClick(target)) {
        case DoubleClickCommand::Refresh:
          Q_EMIT refreshRequested();
          break;
        case DoubleClickCommand::SwitchIndex:
          Q_EMIT indexSwitchRequested();
          break;
        case DoubleClickCommand::SwitchRow:
          Q_EMIT rowSwitchRequested();
          break;
        case DoubleClickCommand::ChooseFontAndColour:
          WidgetDoubleClick();
          break;
        case DoubleClickCommand::None:
          break;
      }
    });
  };
  onDoubleClick(image2_[0], MouseTarget::BigPicture0);
  onDoubleClick(image2_[1], MouseTarget::BigPicture1);
  for (int i = 0; i < 5; ++i) {
    onDoubleClick(image1_[i], MouseTarget::SmallPicture);
    onDoubleClick(image3_[i], MouseTarget::SmallPicture);
  }
  onDoubleClick(lbWind_, MouseTarget::WindLabel);
  onDoubleClick(lbText_, MouseTarget::BottomLabel);
}

void WidgetWindow::mousePressEvent(QMouseEvent* event) {
  WidgetMouseDown(event->button(), event->position().toPoint(), event->globalPosition().toPoint());
}

void WidgetWindow::mouseMoveEvent(QMouseEvent* event) {
  WidgetMouseMove(event->position().toPoint(), event->globalPosition().toPoint());
}

// Releases on the controls, which do not take them, arrive here as well.
void WidgetWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragPending_) {
    // A press without movement is a move that ended where it began: the on-top decision
    // follows it all the same.
    dragPending_ = false;
    FinishDrag();
  }
  if (manualDrag_) {
    manualDrag_ = false;
    releaseMouse();
    FinishDrag();
  }
}

void WidgetWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  // A second right press soon after the first opens the menu again: the double-click
  // commands are the left button's.
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);
    return;
  }
  if (CommandForDoubleClick(MouseTarget::Window) == DoubleClickCommand::ChooseFontAndColour) {
    WidgetDoubleClick();
  }
}

void WidgetWindow::WidgetMouseDown(Qt::MouseButton button, QPoint windowPx, QPoint screenPx) {
  const QPoint t = ToTwips(windowPx);
  switch (PressActionFor(button == Qt::LeftButton, t.x(), t.y(), textOffset_, Flags.Lock)) {
    case PressAction::None:
      break;
    case PressAction::Drag:
      // The move starts once the pointer travels with the button down: a click or a
      // double-click stays with the widget, and the window manager never holds the
      // pointer for a move that has already ended.
      dragPending_ = true;
      dragPressGlobal_ = screenPx;
      break;
    case PressAction::CityMenu:
      Q_EMIT menuRequested(screenPx, true);
      break;
    case PressAction::ControlMenu:
      Q_EMIT menuRequested(screenPx, false);
      break;
  }
}

bool WidgetWindow::ContinuePendingDrag(QPoint screenPx) {
  if (!dragPending_) return false;
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
    // Released where the release was not seen (input held back during a fetch): a
    // press without movement.
    dragPending_ = false;
    FinishDrag();
    return false;
  }
  // A few pixels: a hand that clicks shakes less, and the window, which starts to move
  // only now, stays as close under the pointer.
  constexpr int kDragStartPixels = 3;
  if ((screenPx - dragPressGlobal_).manhattanLength() < kDragStartPixels) return false;
  dragPending_ = false;
  BeginDrag(screenPx);
  return true;
}

bool WidgetWindow::DragUnderWay() const {
  // A press whose release was never seen (held back during a fetch) must not count for
  // ever: the X server tells whether the button is still down.
  return moving_ || (dragPending_ && x11::PointerButtonsDown().value_or(false));
}

void WidgetWindow::BeginDrag(QPoint screenPx) {
  if (manualDrag_) return;
  moving_ = true;
  // Input held back during a fetch arrives when the pointer has moved on and the button
  // may be up again: the window manager's move would then wait for a release that has
  // already happened. Such a drag, like one without a window manager, is done by hand.
  const bool live = (QCursor::pos() - screenPx).manhattanLength() < 8;
  if (live && StartSystemMove(this, [this] { FinishDrag(); })) return;
  // Refused (no window manager, or one without the move request): the window follows
  // the pointer, from where it was pressed, until the button is released.
  manualDrag_ = true;
  dragOffset_ = dragPressGlobal_ - pos();
  move(screenPx - dragOffset_);
  grabMouse();
}

void WidgetWindow::FinishDrag() {
  moving_ = false;
  // Ended at or above the top edge: on top, so that the next pointer move docks it.
  SetTopmost(this, TopmostAfterDrag(topTwips_, Flags.Top));
}

void WidgetWindow::WidgetMouseMove(QPoint windowPx, QPoint screenPx) {
  if (manualDrag_) {
    move(screenPx - dragOffset_);
    return;
  }
  if (ContinuePendingDrag(screenPx)) return;
  const QPoint t = ToTwips(windowPx);
  lastMouseX_ = t.x();
  lastMouseY_ = t.y();

  DockGeometry window;
  window.LeftTwips = leftTwips_;
  window.TopTwips = topTwips_;
  window.TwipsPerPixelX = kTwipsPerPixel;
  window.TwipsPerPixelY = kTwipsPerPixel;
  const QPoint p = screenPx;
  const double top = TopAfterPointerMove(window, PointerPx{p.x(), p.y()});
  if (top != topTwips_) SetTopTwips(top);

  if (const auto normal =
          NormalViewAfterMove(t.x(), t.y(), textOffset_, ViewMode, hasTemperature_, NormalView)) {
    NormalView = *normal;
    Q_EMIT viewChanged();
  }
}

void WidgetWindow::WidgetDoubleClick() {
  const auto region = FontRegionAt(lastMouseX_, lastMouseY_, textOffset_, ViewMode);
  if (region) {
    Q_EMIT fontChooserRequested(region->Slot, region->Font);
  } else {
    Q_EMIT fontChooserRequested(-1, FontKind::Normal);
  }
}

void WidgetWindow::SetPositionTwips(double left, double top) {
  leftTwips_ = left;
  topTwips_ = top;
  ApplyPosition();
}

void WidgetWindow::SwitchIndexView(bool showColumns, const WeatherState& weather) {
  const IndexViewChange change =
      nimbulux::SwitchIndexView(showColumns, !weather.NowTemperature.empty());
  if (change.ShowColumns3And4) {
    for (int i = 3; i < 5; ++i) {
      Forecast.RowUpper[i].Visible = *change.ShowColumns3And4;
      Forecast.RowLower[i].Visible = *change.ShowColumns3And4;
    }
  }
  ViewMode = change.ViewMode;
  ShowForecast();
}

}  // namespace nimbulux
