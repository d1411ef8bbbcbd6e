// The hidden control form (Form2): it runs the start-up, owns the widget window, the
// popup menu, the tray icon, the options dialog and the timers, and holds the run's
// settings. The program ends only through RequestExit.
#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/control_menu.h"
#include "core/setting_defaults.h"
#include "settings/options_dialog.h"
#include "settings/settings_model.h"
#include "widget/refresh_cycle.h"
#include "widget/widget_window.h"

class QPlainTextEdit;

namespace nimbulux {

class TrayIcon;
struct WindowStyleMarks;
struct StyleContext;
struct StyleEffects;
class CpuUsageSampler;
class CpuTrayUpdate;

class ControlForm : public QDialog, public RefreshHost, public OptionsHost {
  Q_OBJECT

 public:
  explicit ControlForm(QWidget* parent = nullptr);
  ~ControlForm() override;

  // The whole start-up, step by step; arguments is the command line without the
  // program's own path.
  void Load(const QString& arguments);

  // Every way to end the program comes here: the menu's exit, closing the widget, a
  // signal, the session manager, the end of an autoexit run. Once the start-up is done
  // the exit routine runs; before that (the first-run dialog) nothing is written, as
  // when that dialog closes. Asked while a fetch waits, the fetch is cancelled and the
  // program ends as soon as its wait is over. From then on no user input runs and no
  // command starts; asking again changes nothing.
  void RequestExit();
  bool ExitRequested() const { return exitRequested_; }

  // A refresh asked by the clock or by signal: run at once when the program is idle,
  // else put off until the wait, the refresh, or the open menu, modal dialog or drag is
  // over (a fetch must not wait under a grab). One asked during a refresh is dropped.
  void RequestRefresh();

  void RefreshWeather() override;
  bool RefreshBusy() const { return cycle_.RefreshBusy; }
  // Clears and prints every text again, then updates the tray tooltip and the
  // diagnostics files.
  void RenderWidget();

  // Escape in the README view closes it as the close box does.
  void reject() override;

  WidgetWindow* Widget() const { return widget_; }
  ControlMenu& Menu() { return menu_; }
  OptionsDialog& OptionsWindow();
  const QTimer& CpuTimer() const { return cpuTimer_; }

  // RefreshHost
  void FetchForecast() override;
  void FetchConditions() override;
  void ShowDayBackground(bool day) override;
  void RenderAfterRefresh() override;
  void ShowWaitPicture() override;
  void SetRefreshTooltip(const Text& tooltip) override;
  void ShowWithoutActivating() override;
  void TrimMemory() override;

  // OptionsHost
  OptionsValues Options() const override;
  void SetOptions(const OptionsValues& values) override;
  Text CurrentCityId() const override;
  Text CurrentCityName() const override;
  void SetCurrentCityId(const Text& cityId) override;
  WatchedCityList WatchedCities() const override;
  void ApplyWatchedCities(const WatchedCityList& cities) override;
  void ApplyOpacity(int opacity) override;
  void SetCpuDisplay(bool on) override;
  void MarkRefreshDue() override;
  void ShowNormalView() override;
  void TrimWorkingSet() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  // The application's quit (the session manager at log-out, the platform) goes through
  // RequestExit instead of closing windows and ending every event loop, a fetch's too.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Saves the window state (unless the city is fixed), removes the tray icon and ends
  // the program at once; only RequestExit calls it. The events it lets through exclude
  // user input, so that nothing held back during a wait runs after the exit was asked.
  void SaveAndExit();
  // Removes the tray icon and ends the program without writing anything.
  [[noreturn]] void EndProgram();
  // A command asked by the user (a menu entry, a click, a dialog) may start: the program
  // is not ending and no fetch waits.
  bool CommandMayRun() const;
  // Wraps a handler so that it returns at once when no command may run.
  template <typename F>
  auto Command(F handler);
  // The program does nothing that holds the network: no wait, no refresh, start-up done.
  bool Idle() const;
  // A popup menu, a modal dialog or a drag by hand is open: it holds the pointer or the
  // user's attention, and a fetch must not wait under it.
  bool InteractionOpen() const;

  void ConnectMenu();
  void ConnectWidget();
  void LoadBackgrounds(int mode);
  void ApplyFontsFromSettings();
  void RefreshTimerTick();
  void ShowCpuLoad();
  void ChooseBackground(int mode);
  void ShowReadme();
  void ShowAbout();
  void ChooseWatchedCity(int element);
  void ToggleStyle(QAction* entry);
  void DefaultStyle();
  WindowStyleMarks StyleMarks() const;
  StyleContext StyleContextNow() const;
  void ApplyStyleEffects(const StyleEffects& effects);
  // A double-click on a widget text: the chooser for colour slot (-1: no text there).
  void ChooseFontAndColour(int slot, FontKind font);
  void OpenOptions();
  void SetWindowIconTemperature(std::optional<int> value);
  void ShowWindowIcon();
  void UpdateTray(const Text& tooltip);
  void WriteDiagnostics(const RenderPlan& plan, const Text& trayTooltip);
  void InstallTerminationHandler();

  WidgetWindow* widget_ = nullptr;
  ControlMenu menu_;
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<OptionsDialog> options_;
  QPlainTextEdit* readmeView_ = nullptr;
  QTimer refreshTimer_;
  QTimer cpuTimer_;
  std::unique_ptr<CpuUsageSampler> cpu_;
  std::unique_ptr<CpuTrayUpdate> cpuTray_;

  CommandLineOptions commandLine_;
  Settings settings_;
  RefreshCycle cycle_;
  bool cityFixed_ = false;
  bool started_ = false;
  bool exitRequested_ = false;
  bool exiting_ = false;
  bool refreshPending_ = false;
  WatchedCityList watched_;
  int opacity_ = kOpaque;

  std::optional<QImage> defaultBackground_;
  std::optional<QImage> customBackground_;
  std::optional<QImage> waitPicture_;
  QImage defaultTrayIcon_;
  QImage windowIcon_;
  std::string windowIconName_ = "default";
  int trayValue_ = 0;

  std::string dumpPath_;
  std::string snapshotPath_;
};

}  // namespace nimbulux
