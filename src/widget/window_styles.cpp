#include "widget/window_styles.h"

#include <QBitmap>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <memory>

#include "widget/docking.h"
#include "widget/window_styles_x11.h"

namespace nimbulux {

namespace {

// Changes one window flag. A shown window keeps its native window (no hiding and
// showing again, so it stays where it is); one not yet created takes the flag when it is.
void SetFlag(QWidget* window, Qt::WindowType flag, bool on) {
  if (window->windowFlags().testFlag(flag) == on) return;
  Qt::WindowFlags flags = window->windowFlags();
  flags.setFlag(flag, on);
  if (QWindow* handle = window->windowHandle()) {
    window->overrideWindowFlags(flags);
    handle->setFlags(flags);
  } else {
    window->setWindowFlags(flags);
  }
}

// Follows one window for the run: keeps its see-through pixels (exact black) in step
// with what it shows, and gives the window its task bar and desktop-widget states again
// each time it is shown (the window manager forgets them when a window is hidden).
class StyleKeeper : public QObject {
 public:
  explicit StyleKeeper(QWidget* window) : QObject(window), window_(window) {
    setObjectName(kName);
    window->installEventFilter(this);
    for (QWidget* child : window->findChildren<QWidget*>()) child->installEventFilter(this);
  }

  static constexpr const char* kName = "WindowStyleKeeper";

  static StyleKeeper* Of(QWidget* window) {
    auto* found = window->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly);
    return found ? static_cast<StyleKeeper*>(found) : new StyleKeeper(window);
  }

  void EnableColourKey() {
    if (colourKey_) return;
    colourKey_ = true;
    ScheduleColourKey();
  }

  bool desktopWidget = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && colourKey_ && !rendering_) ScheduleColourKey();
    if (watched == window_ && event->type() == QEvent::Move && event->spontaneous()) {
      SchedulePositionCheck();
    }
    if (watched == window_ && event->type() == QEvent::Show) {
      x11::SetWidgetStates(window_, desktopWidget);
      WatchExposures();
    }
    if (watched == handle_ && event->type() == QEvent::Expose && shownNotExposed_) {
      shownNotExposed_ = false;
      SchedulePositionCheck();
    }
    return false;
  }

 private:
  void ScheduleColourKey() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
      scheduled_ = false;
      UpdateColourKey();
    });
  }

  // A window manager that frames windows (openbox) puts the window into its frame at
  // the frame's first place, the screen's corner, and then moves the frame to where the
  // window asked to be, without telling a window that is not shown yet. Qt can take the
  // corner for the window's place, and the widget would then dock at the top edge or
  // store the wrong place. The X server's own answer wins: it is asked after each move
  // the window system reports and when the window is first exposed after being shown
  // (the window manager shows it once its frame stands where it was put); moving the
  // window where it really is makes the window manager report that place again.
  void WatchExposures() {
    shownNotExposed_ = true;
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    if (!handle || handle == handle_) return;
    handle_ = handle;
    handle->installEventFilter(this);
  }

  void SchedulePositionCheck() {
    if (positionCheck_) return;
    positionCheck_ = true;
    QTimer::singleShot(0, this, [this] {
      positionCheck_ = false;
      if (!window_ || !window_->isVisible()) return;
      const auto real = x11::WindowPosition(window_);
      if (real && *real != window_->pos()) window_->move(*real);
    });
  }

  // The window's shape leaves out every pixel drawn in exact black, so those show (and
  // pass clicks to) the windows below, as a colour key does.
  void UpdateColourKey() {
    if (!window_) return;
    QImage drawn(window_->size(), QImage::Format_RGB32);
    rendering_ = true;
    window_->render(&drawn, QPoint(), QRegion(),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    rendering_ = false;
    const QImage keep = drawn.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor);
    const QRegion shown(QBitmap::fromImage(keep));
    if (shown == QRegion(window_->rect())) {
      if (!window_->mask().isEmpty()) window_->clearMask();
    } else if (window_->mask() != shown) {
      window_->setMask(shown);
    }
  }

  QPointer<QWidget> window_;
  QPointer<QWindow> handle_;
  bool shownNotExposed_ = false;
  bool colourKey_ = false;
  bool scheduled_ = false;
  bool rendering_ = false;
  bool positionCheck_ = false;
};

}  // namespace

void ApplyWindowStyle(QWidget* window, bool clickThrough, int opacity) {
  if (!window) return;
  const LayeredAttributes a = WindowStyleParameters(clickThrough, opacity);
  SetFlag(window, Qt::WindowTransparentForInput, a.ClickThrough);
  window->setWindowOpacity(a.Opacity / 255.0);
  if (a.UseColourKey) StyleKeeper::Of(window)->EnableColourKey();
}

void SetTopmost(QWidget* window, bool topmost) {
  if (!window) return;
  if (topmost && IsDesktopEmbedded(window)) return;
  SetFlag(window, Qt::WindowStaysOnTopHint, topmost);
}

void SetDesktopEmbedded(QWidget* window, bool embedded) {
  if (!window) return;
  StyleKeeper* keeper = StyleKeeper::Of(window);
  if (keeper->desktopWidget == embedded) return;
  keeper->desktopWidget = embedded;
  if (embedded) SetFlag(window, Qt::WindowStaysOnTopHint, false);
  SetFlag(window, Qt::WindowStaysOnBottomHint, embedded);
  x11::SetWidgetStates(window, embedded);
}

bool Headless() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

void KeepOutOfTaskBar(QWidget* window) {
  if (!window) return;
  StyleKeeper::Of(window);
  x11::SetWidgetStates(window, IsDesktopEmbedded(window));
}

bool IsDesktopEmbedded(const QWidget* window) {
  if (!window) return false;
  auto* found = window->findChild<QObject*>(StyleKeeper::kName, Qt::FindDirectChildrenOnly);
  return found && static_cast<StyleKeeper*>(found)->desktopWidget;
}

bool StartSystemMove(QWidget* window, std::function<void()> done) {
  QWindow* handle = window ? window->windowHandle() : nullptr;
  if (!handle) return false;
  // A press held back during a fetch arrives when the button may be up again: the window
  // manager would then move the window until the next click. Such a drag is done by hand.
  if (!x11::PointerButtonsDown().value_or(true)) return false;
  if (!handle->startSystemMove()) return false;
  // The window manager moves the window until the button is released; Qt sees no
  // release of its own, so the end is read from the X server's button state. Two
  // readings with the button up give the window manager time for its last move.
  if (!x11::PointerButtonsDown().value_or(false)) {
    if (done) done();
    return true;
  }
  auto* poll = new QTimer(window);
  poll->setInterval(25);
  auto upCount = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, window, [poll, upCount, done] {
    if (x11::PointerButtonsDown().value_or(false)) {
      *upCount = 0;
      return;
    }
    if (++*upCount < 2) return;
    poll->stop();
    poll->deleteLater();
    if (done) done();
  });
  poll->start();
  return true;
}

}  // namespace nimbulux
