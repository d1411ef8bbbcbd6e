// The hidden control form (Form2): it runs the start-up, owns the widget window, the
// popup menu, the tray icon, the options dialog and the timers, and holds the run's
// settings. The program ends only through SaveAndExit.
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

  // Saves the window state (unless the city is fixed), removes the tray icon and ends
  // the program at once. Reached again from the events it lets through, it does
  // nothing: the settings are written once.
  void SaveAndExit();
  // The system or the autoexit timer asks the program to end: the exit routine once the
  // start-up is done; before that (the first-run dialog) nothing is written, as when
  // that dialog closes. Asked while a fetch waits, the fetch is cancelled and the
  // program ends as soon as its wait is over; asking again changes nothing.
  void RequestExit();

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

 private:
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
