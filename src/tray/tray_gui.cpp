#include "tray/tray_gui.h"

#include <algorithm>

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "core/setting_defaults.h"
#include "net/fetch_wait.h"
#include "tray/tray_icon.h"

namespace nimbulux {
namespace {

QString PlainLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// Panels ask for sizes such as 22 or 24 pixels; smoothing 16 pixels to those blurs the digits
// into the panel colour. This engine enlarges by the largest whole factor that fits, without
// smoothing, and centres the result.
class CrispIconEngine final : public QIconEngine {
 public:
  explicit CrispIconEngine(QImage picture) : picture_(std::move(picture)) {}

  QIconEngine* clone() const override { return new CrispIconEngine(picture_); }
  QString key() const override { return QStringLiteral("nimbulux-crisp"); }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    return Fitted(size).size();
  }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int factor = 1; factor <= 4; ++factor) sizes << picture_.size() * factor;
    return sizes;
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
    const QSize device = size * scale;
    QImage canvas(device, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    const QImage big = Fitted(device);
    QPainter painter(&canvas);
    painter.drawImage((device.width() - big.width()) / 2, (device.height() - big.height()) / 2,
                      big);
    painter.end();
    QPixmap result = QPixmap::fromImage(canvas);
    result.setDevicePixelRatio(scale);
    return result;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect.topLeft(), scaledPixmap(rect.size(), mode, state, scale));
  }

 private:
  // Whole-factor enlargement when the picture fits; a larger picture (the program's own icon)
  // is reduced smoothly to fit instead.
  QImage Fitted(const QSize& size) const {
    if (picture_.width() > size.width() || picture_.height() > size.height())
      return picture_.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int factor = std::min(size.width() / picture_.width(), size.height() / picture_.height());
    return picture_.scaled(picture_.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  }

  QImage picture_;
};

}  // namespace

QIcon CrispTrayIcon(const QImage& picture) {
  if (picture.isNull()) return QIcon();
  return QIcon(new CrispIconEngine(picture));
}

bool StartProgramDetached(const ProgramCommand& command) {
  QStringList arguments;
  for (const std::string& a : command.arguments) arguments << QString::fromStdString(a);
  return QProcess::startDetached(QString::fromStdString(command.program), arguments);
}

ProgramCommand SystemMonitorOnPath() {
  return SystemMonitorCommand([](const std::string& name) {
    return !QStandardPaths::findExecutable(QString::fromStdString(name)).isEmpty();
  });
}

bool StartSystemMonitor() { return StartProgramDetached(SystemMonitorOnPath()); }

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), starter_(StartProgramDetached) {
  connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::HandleActivation);
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::Add(const QImage& picture, const QString& tooltip) {
  wanted_ = true;
  if (!picture.isNull()) icon_.setIcon(CrispTrayIcon(picture));
  icon_.setToolTip(PlainLineBreaks(tooltip));
  trayWasAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
  icon_.show();
}

void TrayIcon::Modify(const QImage& picture, const QString& tooltip) {
  if (!picture.isNull()) icon_.setIcon(CrispTrayIcon(picture));
  icon_.setToolTip(PlainLineBreaks(tooltip));
  const bool available = QSystemTrayIcon::isSystemTrayAvailable();
  if (!icon_.isVisible()) {
    wanted_ = true;
    icon_.show();
  } else if (available && !trayWasAvailable_) {
    // A tray host appeared since the icon was shown: register with it anew.
    icon_.hide();
    icon_.show();
  }
  trayWasAvailable_ = available;
}

void TrayIcon::Remove() {
  wanted_ = false;
  icon_.hide();
}

void TrayIcon::Notify(const QString& title, const QString& text) {
  if (IsShown() && QSystemTrayIcon::supportsMessages()) {
    icon_.showMessage(title, text, QSystemTrayIcon::Warning, 15000);
  }
}

bool TrayIcon::IsShown() const { return wanted_ && icon_.isVisible(); }

QString TrayIcon::ToolTip() const { return icon_.toolTip(); }

void TrayIcon::SetStateProvider(std::function<TrayWidgetState()> provider) {
  stateProvider_ = std::move(provider);
}

void TrayIcon::SetProgramStarter(std::function<bool(const ProgramCommand&)> starter) {
  starter_ = std::move(starter);
}

TrayNotification TrayIcon::NotificationFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return TrayNotification::LeftPress;
    case QSystemTrayIcon::DoubleClick:
      return TrayNotification::DoubleClick;
    case QSystemTrayIcon::Context:
      return TrayNotification::RightPress;
    default:
      return TrayNotification::Other;
  }
}

void TrayIcon::SetClickGate(std::function<ClickGate()> gate) { gate_ = std::move(gate); }

TrayIcon::ClickGate TrayIcon::Gate() const {
  if (gate_) return gate_();
  return FetchWaiting() ? ClickGate::Later : ClickGate::Now;
}

void TrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
  // A tray host that speaks D-Bus delivers clicks during a fetch's wait, which holds
  // only X input back: a menu opened now would hold its grab until the reply is in.
  switch (Gate()) {
    case ClickGate::Never:
      return;
    case ClickGate::Later:
      RunWhenReady(
          this, [this] { return Gate() != ClickGate::Later; },
          [this, reason] { HandleActivation(reason); });
      return;
    case ClickGate::Now:
      HandleNotification(NotificationFor(reason));
      return;
  }
}

void TrayIcon::HandleNotification(TrayNotification notification) {
  const TrayWidgetState state = stateProvider_ ? stateProvider_() : TrayWidgetState{};
  switch (DecideTrayAction(notification, state)) {
    case TrayAction::None:
      break;
    case TrayAction::FocusControlForm:
      Q_EMIT controlFormFocusRequested();
      break;
    case TrayAction::ShowWidget:
      Q_EMIT showWidgetRequested(false);
      break;
    case TrayAction::UndockAndShowWidget:
      Q_EMIT showWidgetRequested(true);
      break;
    case TrayAction::HideWidget:
      Q_EMIT hideWidgetRequested();
      break;
    case TrayAction::OpenControlMenu:
      Q_EMIT controlMenuRequested();
      break;
    case TrayAction::StartSystemMonitor: {
      const bool started = starter_ && starter_(SystemMonitorOnPath());
      Q_EMIT systemMonitorStarted(started);
      break;
    }
  }
}

CpuTrayTimer::CpuTrayTimer(std::function<Text()> rules, QObject* parent)
    : QObject(parent), rules_(std::move(rules)) {
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &CpuTrayTimer::Tick);
}

CpuTrayTimer::~CpuTrayTimer() = default;

void CpuTrayTimer::Start(CpuUsageSampler::CounterSource source) {
  sampler_ = std::make_unique<CpuUsageSampler>(std::move(source));
  timer_.start();
}

void CpuTrayTimer::Stop() { timer_.stop(); }

void CpuTrayTimer::Tick() {
  if (!sampler_) return;
  const std::optional<std::int16_t> changed = update_.Next(sampler_->Query());
  if (!changed) return;
  std::int16_t value = *changed;
  const Text rules = rules_ ? rules_() : Text(kDefaultTrayColourRules);
  const std::optional<Picture> picture = TemperatureIcon(value, rules, true);
  if (picture) Q_EMIT iconChanged(*picture, *changed);
}

}  // namespace nimbulux
