// The icon in the notification area (QSystemTrayIcon) and what its clicks ask of the widget.
#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>

#include "core/text.h"
#include "tray/cpu_usage.h"
#include "tray/tray_actions.h"

namespace nimbulux {

// The 16 x 16 picture as an icon that offers 16, 32, 48 and 64 pixels and, for any size asked,
// enlarges by the largest whole factor that fits, without smoothing, centred: the digits stay
// crisp on high-DPI panels and in panels of odd sizes.
QIcon CrispTrayIcon(const QImage& picture);

// Starts program detached; false when it could not be started.
bool StartProgramDetached(const ProgramCommand& command);

// The system monitor of this desktop: the first known one found on PATH.
ProgramCommand SystemMonitorOnPath();
// That monitor, started detached.
bool StartSystemMonitor();

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Shows the icon with picture and tooltip (start-up).
  void Add(const QImage& picture, const QString& tooltip);
  // Replaces the tooltip and, unless picture is null, the picture; shows the icon again when
  // it is gone (a tray host that restarted, or one that appeared after start-up).
  void Modify(const QImage& picture, const QString& tooltip);
  // Takes the icon out of the tray (exit).
  void Remove();
  // A passing message from the icon, where the tray shows messages.
  void Notify(const QString& title, const QString& text);
  bool IsShown() const;
  QString ToolTip() const;
  // Where the icon sits on the screen (empty when the tray does not say).
  QRect Geometry() const { return icon_.geometry(); }

  // Whether a click may run now, once the program's current work is over, or never (the
  // program is ending). Without a gate a click waits only for a fetch's wait to end.
  enum class ClickGate { Now, Later, Never };
  void SetClickGate(std::function<ClickGate()> gate);

  // The widget's state at the moment of a click; without it the widget counts as visible.
  void SetStateProvider(std::function<TrayWidgetState()> provider);
  // How a program is started (tests replace it); default StartProgramDetached.
  void SetProgramStarter(std::function<bool(const ProgramCommand&)> starter);

  // Handles a click on the icon as the tray reports it, once the gate lets it run.
  void HandleActivation(QSystemTrayIcon::ActivationReason reason);
  // Handles one notification (left press, double-click, right press).
  void HandleNotification(TrayNotification notification);

  static TrayNotification NotificationFor(QSystemTrayIcon::ActivationReason reason);

 Q_SIGNALS:
  // Show and focus the widget; undock: first move its top edge from the docked-hidden place
  // back to 1 twip.
  void showWidgetRequested(bool undock);
  void hideWidgetRequested();
  // Show and focus the widget, then pop up the control menu at the pointer.
  void controlMenuRequested();
  // A dialog of the control form is open: bring it forward.
  void controlFormFocusRequested();
  // A system monitor was asked for (started is false when none could be started).
  void systemMonitorStarted(bool started);

 private:
  QSystemTrayIcon icon_;
  bool wanted_ = false;  // added and not removed
  bool trayWasAvailable_ = false;
  ClickGate Gate() const;

  std::function<ClickGate()> gate_;
  std::function<TrayWidgetState()> stateProvider_;
  std::function<bool(const ProgramCommand&)> starter_;
};

// The CPU timer: in CPU mode, samples the load once a second and hands out a new
// tray picture when the value changes.
class CpuTrayTimer : public QObject {
  Q_OBJECT

 public:
  // rules gives the tray colour rules at the moment of drawing.
  explicit CpuTrayTimer(std::function<Text()> rules, QObject* parent = nullptr);
  ~CpuTrayTimer() override;

  // Creates the sampler (its first reading) and starts the one-second timer.
  void Start(CpuUsageSampler::CounterSource source = SystemCounterSource());
  void Stop();
  bool IsActive() const { return timer_.isActive(); }
  // The next sample redraws whatever its value (start-up, options applied).
  void ResetLastValue() { update_.Reset(); }
  // One tick: sample, and emit iconChanged when the value differs from the last one drawn.
  void Tick();

 Q_SIGNALS:
  // The picture to put into the tray (and the widget window's icon), and the sampled load.
  void iconChanged(const QImage& picture, int value);

 private:
  std::function<Text()> rules_;
  std::unique_ptr<CpuUsageSampler> sampler_;
  CpuTrayUpdate update_;
  QTimer timer_;
};

}  // namespace nimbulux
