#include "app/control_form.h"

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QUrl>
#include <cstdio>
#include <type_traits>

#include "app/tray_bridge.h"
#include "app/update_ui.h"
#include "core/clock.h"
#include "core/file_replace.h"
#include "core/gbk.h"
#include "core/program_paths.h"
#include "net/fetch_wait.h"
#include "net/http_fetch.h"
#include "net/portal.h"
#include "settings/settings_file.h"
#include "tray/cpu_usage.h"
#include "tray/tray_gui.h"
#include "weather/conditions.h"
#include "weather/forecast_fetch.h"
#include "weather/icon_cache.h"
#include "widget/mouse_commands.h"
#include "widget/state_dump.h"
#include "widget/window_styles.h"

namespace nimbulux {

template <typename F>
auto ControlForm::Command(F handler) {
  // Takes the signal's arguments when the handler wants them.
  return [this, handler](auto&&... arguments) {
    if (!CommandMayRun()) return;
    if constexpr (std::is_invocable_v<F, decltype(arguments)...>) {
      handler(std::forward<decltype(arguments)>(arguments)...);
    } else {
      handler();
    }
  };
}

ControlForm::ControlForm(QWidget* parent) : QDialog(parent) {
  setObjectName("Form2");
  setWindowTitle("Nimbulux");
  resize(400, 267);  // 6000 x 4000 twips
  menu_.Build(this);
  readmeView_ = new QPlainTextEdit(this);
  readmeView_->setObjectName("Text5");
  readmeView_->setReadOnly(true);
  readmeView_->hide();
  widget_ = new WidgetWindow();
  KeepOutOfTaskBar(widget_);
  tray_ = std::make_unique<TrayIcon>();
  cpuTray_ = std::make_unique<CpuTrayUpdate>();
  refreshTimer_.setObjectName("Timer1");
  cpuTimer_.setObjectName("Timer2");
  cpuTimer_.setInterval(1000);
  connect(&refreshTimer_, &QTimer::timeout, this, [this] { RefreshTimerTick(); });
  connect(&cpuTimer_, &QTimer::timeout, this, [this] { ShowCpuLoad(); });
  ConnectMenu();
  ConnectWidget();
  // A click on the tray that arrives over D-Bus during a wait is not held back with the
  // X input: it runs once the program is idle again, in order.
  tray_->SetClickGate([this] {
    if (exitRequested_) return TrayIcon::ClickGate::Never;
    return FetchWaiting() || cycle_.RefreshBusy ? TrayIcon::ClickGate::Later
                                                : TrayIcon::ClickGate::Now;
  });
  tray_->SetStateProvider([this] {
    TrayWidgetState s;
    s.controlFormVisible = isVisible() || (options_ && options_->isVisible());
    s.widgetVisible = widget_->isVisible();
    s.widgetTopTwips = static_cast<int>(widget_->TopTwips());
    s.cpuMode = settings_.TrayCpu > 0;
    return s;
  });
  connect(tray_.get(), &TrayIcon::showWidgetRequested, this, Command([this](bool undock) {
            if (undock && widget_->TopTwips() < 1) widget_->SetTopTwips(1);
            widget_->show();
            widget_->activateWindow();
          }));
  connect(tray_.get(), &TrayIcon::hideWidgetRequested, this, Command([this] { widget_->hide(); }));
  connect(tray_.get(), &TrayIcon::controlMenuRequested, this, Command([this] {
            widget_->show();
            widget_->activateWindow();
            // The tray's menu opens with its right edge at the pointer (Qt keeps it on the
            // screen).
            QMenu* menu = menu_.popup;
            menu->popup(QCursor::pos() - QPoint(menu->sizeHint().width(), 0));
          }));
  connect(tray_.get(), &TrayIcon::controlFormFocusRequested, this, Command([this] {
            QWidget* w =
                options_ && options_->isVisible() ? static_cast<QWidget*>(options_.get()) : this;
            w->raise();
            w->activateWindow();
          }));
  dumpPath_ = qEnvironmentVariable("NIMBULUX_STATE_DUMP").toStdString();
  snapshotPath_ = qEnvironmentVariable("NIMBULUX_SNAPSHOT").toStdString();
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

ControlForm::~ControlForm() { delete widget_; }

OptionsDialog& ControlForm::OptionsWindow() {
  // Made when first opened: most runs never open it, and building it loads fonts and
  // lays out some sixty controls.
  if (!options_) options_ = std::make_unique<OptionsDialog>(*this, this);
  return *options_;
}

void ControlForm::ConnectMenu() {
  connect(menu_.refresh, &QAction::triggered, this, Command([this] { RefreshWeather(); }));
  connect(menu_.details, &QAction::triggered, this, Command([this] {
            const Text url =
                Weather().PortalBase + portal::ForecastPagePath(Weather().CurrentCityId);
            QDesktopServices::openUrl(QUrl(QString::fromStdU16String(url)));
            TrimMemory();
          }));
  for (int i = 0; i < 3; ++i) {
    connect(menu_.backgrounds[i], &QAction::triggered, this,
            Command([this, i] { ChooseBackground(i); }));
  }
  connect(menu_.defaultStyle, &QAction::triggered, this, Command([this] { DefaultStyle(); }));
  for (QAction* a : {menu_.desktop, menu_.onTop, menu_.lock, menu_.clickThrough}) {
    connect(a, &QAction::triggered, this, Command([this, a] { ToggleStyle(a); }));
  }
  connect(menu_.chooseCity, &QAction::triggered, this, Command([this] { OpenOptions(); }));
  connect(menu_.options, &QAction::triggered, this, Command([this] { OpenOptions(); }));
  connect(menu_.cityMenu, &QMenu::triggered, this, Command([this](QAction* a) {
            for (std::size_t m = 1; m < menu_.cities.size(); ++m) {
              if (menu_.cities[m] == a) ChooseWatchedCity(static_cast<int>(m));
            }
          }));
  connect(menu_.readme, &QAction::triggered, this, Command([this] { ShowReadme(); }));
  connect(menu_.checkUpdate, &QAction::triggered, this, Command([this] {
            UpdateDialogs ui(this);
            CheckForUpdate(true, ui);
          }));
  connect(menu_.about, &QAction::triggered, this, Command([this] { ShowAbout(); }));
  connect(menu_.quit, &QAction::triggered, this, [this] { RequestExit(); });
}

void ControlForm::ConnectWidget() {
  connect(widget_, &WidgetWindow::refreshRequested, this, Command([this] { RefreshWeather(); }));
  connect(widget_, &WidgetWindow::indexSwitchRequested, this, Command([this] {
            widget_->SwitchIndexView(widget_->ViewMode == kIndexView, Weather().State);
            widget_->NormalView = true;
            RenderWidget();
          }));
  connect(widget_, &WidgetWindow::rowSwitchRequested, this, Command([this] {
            widget_->ShowSeveralCities = NextShowSeveralCities(widget_->ShowSeveralCities);
            RefreshWeather();
          }));
  connect(widget_, &WidgetWindow::menuRequested, this, Command([this](QPoint pos, bool cityMenu) {
            if (cityMenu) {
              menu_.cityMenu->exec(pos);
              menu_.cityMenu->menuAction()->setVisible(true);
            } else {
              menu_.popup->exec(pos);
            }
          }));
  connect(widget_, &WidgetWindow::viewChanged, this, [this] { RenderWidget(); });
  connect(widget_, &WidgetWindow::fontChooserRequested, this,
          Command([this](int slot, FontKind font) { ChooseFontAndColour(slot, font); }));
  connect(widget_, &WidgetWindow::closeRequested, this, [this] { RequestExit(); });
}

// ---- refresh -------------------------------------------------------------------

void ControlForm::RefreshWeather() {
  // Reached while a fetch waits (a refresh, the update check, the city search): that
  // fetch owns the network until it returns.
  if (exitRequested_ || FetchWaiting()) return;
  nimbulux::RefreshWeather(cycle_, Weather().State, *this, CurrentClock());
}

void ControlForm::RequestRefresh() {
  if (exitRequested_ || cycle_.RefreshBusy || refreshPending_) return;
  if (Idle() && !InteractionOpen()) {
    RefreshWeather();
    return;
  }
  refreshPending_ = true;
  RunWhenReady(
      this, [this] { return !exitRequested_ && Idle() && !InteractionOpen(); },
      [this] {
        refreshPending_ = false;
        RefreshWeather();
      });
}

bool ControlForm::CommandMayRun() const { return !exitRequested_ && !FetchWaiting(); }

bool ControlForm::Idle() const { return started_ && !cycle_.RefreshBusy && !FetchWaiting(); }

bool ControlForm::InteractionOpen() const {
  return QApplication::activePopupWidget() != nullptr ||
         QApplication::activeModalWidget() != nullptr || QWidget::mouseGrabber() != nullptr ||
         widget_->DragUnderWay();
}

void ControlForm::FetchForecast() {
  ForecastContext context;
  context.Options.ViewMode = widget_->ViewMode;
  context.Options.ShowSeveralCities = widget_->ShowSeveralCities;
  context.Options.SaveIcons = SaveIcons();
  context.Options.WatchedCities = watched_;
  context.WaitPicture = waitPicture_;
  context.LetEventsRun = [this](const ForecastView& controls) {
    widget_->Forecast = controls;
    widget_->ShowForecast();
    // Paint the wait pictures; a click now would start a command in the middle of the
    // refresh, so user input waits until the refresh is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  ForecastView controls = widget_->Forecast;
  nimbulux::FetchForecast(context, controls);
  widget_->Forecast = controls;
  widget_->ShowForecast();
}

void ControlForm::FetchConditions() {
  const ConditionsResult r = nimbulux::FetchConditions();
  SetWindowIconTemperature(r.useTemperatureIcon ? std::optional<int>(r.wholeDegrees)
                                                : std::nullopt);
}

void ControlForm::SetWindowIconTemperature(std::optional<int> value) {
  if (!value) {
    windowIcon_ = defaultTrayIcon_;
    windowIconName_ = "default";
  } else {
    std::int16_t v = static_cast<std::int16_t>(*value);
    const auto picture = TrayNumberIcon(v, settings_.TrayColourRules, settings_.TrayCpu > 0);
    windowIcon_ = picture ? *picture : defaultTrayIcon_;
    windowIconName_ = "temperature:" + std::to_string(v);
    if (settings_.TrayCpu == 0) trayValue_ = v;
  }
  ShowWindowIcon();
}

void ControlForm::ShowWindowIcon() {
  // An icon made from a pixmap leaves every size the window system asks for in Qt's
  // global pixmap cache, keyed by that pixmap: a new icon at every refresh (and every
  // second with the CPU display) filled it up to its 10 MB limit. This engine caches
  // nothing.
  widget_->setWindowIcon(CrispTrayIcon(windowIcon_));
}

void ControlForm::ShowDayBackground(bool day) {
  if (day) {
    widget_->SetBackground(customBackground_, BackgroundKind::Custom);
  } else {
    widget_->SetBackground(defaultBackground_, BackgroundKind::Default);
  }
}

void ControlForm::RenderAfterRefresh() {
  widget_->NormalView = true;
  RenderWidget();
}

void ControlForm::ShowWaitPicture() {
  ForecastPicture& box = widget_->Forecast.TodayPictures[0];
  box.ShowWait(waitPicture_);
  widget_->ShowForecast();
}

void ControlForm::SetRefreshTooltip(const Text& tooltip) {
  widget_->Forecast.TodayPictures[0].Tooltip = tooltip;
  widget_->ShowForecast();
}

void ControlForm::ShowWithoutActivating() {
  widget_->setAttribute(Qt::WA_ShowWithoutActivating);
  widget_->show();
}

void ControlForm::TrimMemory() { malloc_trim(0); }

void ControlForm::RenderWidget() {
  const RenderPlan plan = widget_->RenderWidget(Weather().State);
  const Text tooltip = TrayTooltip(Weather().State);
  UpdateTray(tooltip);
  WriteDiagnostics(plan, tooltip);
}

void ControlForm::UpdateTray(const Text& tooltip) {
  if (Headless()) return;
  // The tooltip's carriage return is the notification area's line break.
  const QString shown = QString::fromStdU16String(ReplaceAll(tooltip, u"\r", u"\n"));
  tray_->Modify(settings_.TrayCpu == 0 ? windowIcon_ : QImage(), shown);
}

void ControlForm::WriteDiagnostics(const RenderPlan& plan, const Text& trayTooltip) {
  if (!dumpPath_.empty()) {
    StateDump d;
    d.City = Weather().CurrentCityId;
    d.Weather = Weather().State;
    d.ViewMode = widget_->ViewMode;
    d.NormalView = widget_->NormalView;
    d.ShowSeveralCities = widget_->ShowSeveralCities;
    auto dumped = [](const ForecastPicture& box) {
      DumpedPicture p;
      p.Visible = box.Visible;
      p.Picture = box.Kind == PictureKind::Icon   ? box.IconName
                  : box.Kind == PictureKind::Wait ? Text(u"wait")
                                                  : Text();
      if (!box.Image) p.Picture.clear();
      p.Tag = box.Tag;
      p.Tooltip = box.Tooltip;
      return p;
    };
    const ForecastView& c = widget_->Forecast;
    for (int i = 0; i < 2; ++i) d.Image2[i] = dumped(c.TodayPictures[i]);
    for (int i = 0; i < 5; ++i) {
      d.Image1[i] = dumped(c.RowUpper[i]);
      d.Image3[i] = dumped(c.RowLower[i]);
    }
    d.WindTooltip = c.WindTooltip;
    d.BottomTooltip = c.NotesTooltip;
    d.Texts = plan.Texts;
    d.TrayTooltip = trayTooltip;
    d.WindowIcon = windowIconName_;
    d.Background = widget_->Background() == BackgroundKind::Default  ? "default"
                   : widget_->Background() == BackgroundKind::Custom ? "custom"
                                                                     : "none";
    d.TrayIconBytes = TrayIconFileBytes();
    d.TrayValue = trayValue_;
    d.LeftTwips = widget_->LeftTwips();
    d.TopTwips = widget_->TopTwips();
    d.Topmost = widget_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    d.Visible = widget_->isVisible();
    ReplaceFileAtomically(dumpPath_, StateDumpJson(d), Durability::Quick);
  }
  if (!snapshotPath_.empty()) {
    const QString temp = QString::fromStdString(snapshotPath_ + ".tmp.png");
    if (widget_->Snapshot().save(temp, "PNG")) {
      std::rename(temp.toStdString().c_str(), snapshotPath_.c_str());
    }
  }
}

// ---- timers --------------------------------------------------------------------

void ControlForm::RefreshTimerTick() {
  // While a fetch waits only the end of an autoexit run may happen; the next tick
  // decides on a refresh.
  if (exitRequested_ || (FetchWaiting() && !cycle_.AutoExit)) return;
  switch (TimerTick(cycle_, Weather().State, Weather().ForecastPageReceived, CurrentClock())) {
    case TickAction::SaveAndExit:
      RequestExit();
      break;
    case TickAction::Refresh:
      RequestRefresh();
      break;
    case TickAction::None:
      break;
  }
}

void ControlForm::ShowCpuLoad() {
  if (!cpu_) return;
  const auto v = cpuTray_->Next(cpu_->Query());
  if (!v) return;
  std::int16_t value = *v;
  const auto picture = TrayNumberIcon(value, settings_.TrayColourRules, true);
  if (!picture) return;
  windowIcon_ = *picture;
  windowIconName_ = "temperature:" + std::to_string(value);
  trayValue_ = value;
  ShowWindowIcon();
  if (!Headless()) tray_->Modify(windowIcon_, tray_->ToolTip());
}

// The menu commands live in control_form_commands.cpp.

// ---- exit ----------------------------------------------------------------------

void ControlForm::RequestExit() {
  if (exitRequested_) return;
  exitRequested_ = true;
  CancelFetchAndThen([this] {
    if (started_) SaveAndExit();
    EndProgram();
  });
}

bool ControlForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
    RequestExit();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ControlForm::SaveAndExit() {
  if (exiting_) return;
  exiting_ = true;
  exitRequested_ = true;
  if (!cityFixed_) {
    if (menu_.desktop->isChecked()) {
      SetDesktopEmbedded(widget_, false);
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ExitState s;
    s.CityId = TrimBlanks(Weather().CurrentCityId);
    s.Left = static_cast<float>(widget_->LeftTwips());
    s.Top = static_cast<float>(widget_->TopTwips());
    s.Visible = widget_->isVisible();
    s.ShowSeveralCities = widget_->ShowSeveralCities;
    s.ViewMode = widget_->ViewMode;
    s.LockChecked = menu_.lock->isChecked();
    s.TopChecked = menu_.onTop->isChecked();
    s.TransChecked = menu_.clickThrough->isChecked();
    s.DeskChecked = menu_.desktop->isChecked();
    const int bg = menu_.CheckedBackground();
    if (bg >= 0) s.CheckedBackground = bg;
    s.TextColours = widget_->TextColours;
    s.NormalFont = FontChoice{widget_->NormalFont().Face, widget_->NormalFont().Size};
    s.TemperatureFont =
        FontChoice{widget_->TemperatureFont().Face, widget_->TemperatureFont().Size};
    s.WatchedCities = watched_;
    WriteExitSettings(s);
  }
  EndProgram();
}

void ControlForm::EndProgram() {
  exitRequested_ = true;
  tray_->Remove();
  // The tray host and the window manager hear of it; held user input never runs.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  std::fflush(nullptr);
  // Ends at once: no later handler may run or write anything.
  _exit(0);
}

}  // namespace nimbulux
