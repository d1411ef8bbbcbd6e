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

#include "app/tray_bridge.h"
#include "app/update_ui.h"
#include "core/clock.h"
#include "core/file_replace.h"
#include "core/gbk.h"
#include "core/program_paths.h"
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

ControlForm::ControlForm(QWidget* parent) : QDialog(parent) {
  setObjectName("Form2");
  setWindowTitle("Nimbulux");
  resize(400, 267);  // 6000 x 4000 twips
  menu_.Build(this);
  text5_ = new QPlainTextEdit(this);
  text5_->setObjectName("Text5");
  text5_->setReadOnly(true);
  text5_->hide();
  form1_ = new WidgetWindow();
  KeepOutOfTaskBar(form1_);
  tray_ = std::make_unique<TrayIcon>();
  cpuTray_ = std::make_unique<CpuTrayUpdate>();
  timer1_.setObjectName("Timer1");
  timer2_.setObjectName("Timer2");
  timer2_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this, [this] { Timer1Tick(); });
  connect(&timer2_, &QTimer::timeout, this, [this] { Timer2Tick(); });
  ConnectMenu();
  ConnectWidget();
  tray_->SetStateProvider([this] {
    TrayWidgetState s;
    s.controlFormVisible = isVisible() || (options_ && options_->isVisible());
    s.widgetVisible = form1_->isVisible();
    s.widgetTopTwips = static_cast<int>(form1_->TopTwips());
    s.cpuMode = settings_.TrayCpu > 0;
    return s;
  });
  connect(tray_.get(), &TrayIcon::showWidgetRequested, this, [this](bool undock) {
    if (undock && form1_->TopTwips() < 1) form1_->SetTopTwips(1);
    form1_->show();
    form1_->activateWindow();
  });
  connect(tray_.get(), &TrayIcon::hideWidgetRequested, this, [this] { form1_->hide(); });
  connect(tray_.get(), &TrayIcon::controlMenuRequested, this, [this] {
    form1_->show();
    form1_->activateWindow();
    menu_.mnuFile->popup(QCursor::pos());
  });
  connect(tray_.get(), &TrayIcon::controlFormFocusRequested, this, [this] {
    QWidget* w = options_ && options_->isVisible() ? static_cast<QWidget*>(options_.get()) : this;
    w->raise();
    w->activateWindow();
  });
  dumpPath_ = qEnvironmentVariable("NIMBULUX_STATE_DUMP").toStdString();
  snapshotPath_ = qEnvironmentVariable("NIMBULUX_SNAPSHOT").toStdString();
}

ControlForm::~ControlForm() { delete form1_; }

OptionsDialog& ControlForm::OptionsForm() {
  // Made when first opened: most runs never open it, and building it loads fonts and
  // lays out some sixty controls.
  if (!options_) options_ = std::make_unique<OptionsDialog>(*this, this);
  return *options_;
}

void ControlForm::ConnectMenu() {
  connect(menu_.mnuRefresh, &QAction::triggered, this, [this] { RefreshWeather(); });
  connect(menu_.mnuDetail, &QAction::triggered, this, [this] {
    const Text url = Weather().PortalBase + portal::ForecastPagePath(Weather().CurrentCityId);
    QDesktopServices::openUrl(QUrl(QString::fromStdU16String(url)));
    TrimMemory();
  });
  for (int i = 0; i < 3; ++i) {
    connect(menu_.mnuBackGround[i], &QAction::triggered, this, [this, i] { ChooseBackground(i); });
  }
  connect(menu_.mnuDefault, &QAction::triggered, this, [this] { DefaultStyle(); });
  for (QAction* a : {menu_.mnuDesk, menu_.mnuTop, menu_.mnuLock, menu_.mnuTrans}) {
    connect(a, &QAction::triggered, this, [this, a] { ToggleStyle(a); });
  }
  connect(menu_.mnuChoice, &QAction::triggered, this, [this] { OpenOptions(); });
  connect(menu_.mnuOption, &QAction::triggered, this, [this] { OpenOptions(); });
  connect(menu_.mnuCity, &QMenu::triggered, this, [this](QAction* a) {
    for (std::size_t m = 1; m < menu_.mnuCityList.size(); ++m) {
      if (menu_.mnuCityList[m] == a) ChooseWatchedCity(static_cast<int>(m));
    }
  });
  connect(menu_.mnuReadme, &QAction::triggered, this, [this] { ShowReadme(); });
  connect(menu_.mnuCheckUpdate, &QAction::triggered, this, [this] {
    UpdateDialogs ui(this);
    CheckForUpdate(true, ui);
  });
  connect(menu_.mnuAbout, &QAction::triggered, this, [this] { ShowAbout(); });
  connect(menu_.mnuExit, &QAction::triggered, this, [this] { SaveAndExit(); });
}

void ControlForm::ConnectWidget() {
  connect(form1_, &WidgetWindow::refreshRequested, this, [this] { RefreshWeather(); });
  connect(form1_, &WidgetWindow::indexSwitchRequested, this, [this] {
    form1_->SwitchIndexView(form1_->ViewMode == 2, Weather().State);
    form1_->NormalView = true;
    RenderWidget();
  });
  connect(form1_, &WidgetWindow::rowSwitchRequested, this, [this] {
    form1_->ShowSeveralCities = NextShowSeveralCities(form1_->ShowSeveralCities);
    RefreshWeather();
  });
  connect(form1_, &WidgetWindow::menuRequested, this, [this](QPoint pos, bool cityMenu) {
    if (cityMenu) {
      menu_.mnuCity->exec(pos);
      menu_.mnuCity->menuAction()->setVisible(true);
    } else {
      menu_.mnuFile->exec(pos);
    }
  });
  connect(form1_, &WidgetWindow::viewChanged, this, [this] { RenderWidget(); });
  connect(form1_, &WidgetWindow::fontChooserRequested, this,
          [this](int slot, FontKind font) { ChooseFontAndColour(slot, font); });
  connect(form1_, &WidgetWindow::closeRequested, this, [this] { SaveAndExit(); });
}

// ---- refresh -------------------------------------------------------------------

void ControlForm::RefreshWeather() {
  // Reached from a signal or the tray while a fetch waits (a refresh, the update check,
  // the city search): that fetch owns the network until it returns. The clock tries
  // again at its next tick.
  if (FetchWaiting()) return;
  nimbulux::RefreshWeather(cycle_, Weather().State, *this, CurrentClock());
}

void ControlForm::FetchForecast() {
  ForecastContext context;
  context.Options.ViewMode = form1_->ViewMode;
  context.Options.ShowSeveralCities = form1_->ShowSeveralCities;
  context.Options.SaveIcons = SaveIcons();
  context.Options.WatchedCities = watched_;
  context.WaitPicture = waitPicture_;
  context.LetEventsRun = [this](const ForecastView& controls) {
    form1_->Forecast = controls;
    form1_->ShowForecast();
    // Paint the wait pictures; a click now would start a command in the middle of the
    // refresh, so user input waits until the refresh is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  ForecastView controls = form1_->Forecast;
  nimbulux::FetchForecast(context, controls);
  form1_->Forecast = controls;
  form1_->ShowForecast();
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
  form1_->setWindowIcon(CrispTrayIcon(windowIcon_));
}

void ControlForm::ShowDayBackground(bool day) {
  if (day) {
    form1_->SetBackground(customBackground_, BackgroundKind::Custom);
  } else {
    form1_->SetBackground(defaultBackground_, BackgroundKind::Default);
  }
}

void ControlForm::RenderAfterRefresh() {
  form1_->NormalView = true;
  RenderWidget();
}

void ControlForm::ShowWaitPicture() {
  ForecastPicture& box = form1_->Forecast.TodayPictures[0];
  box.ShowWait(waitPicture_);
  form1_->ShowForecast();
}

void ControlForm::SetRefreshTooltip(const Text& tooltip) {
  form1_->Forecast.TodayPictures[0].Tooltip = tooltip;
  form1_->ShowForecast();
}

void ControlForm::ShowWithoutActivating() {
  form1_->setAttribute(Qt::WA_ShowWithoutActivating);
  form1_->show();
}

void ControlForm::TrimMemory() { malloc_trim(0); }

void ControlForm::RenderWidget() {
  const RenderPlan plan = form1_->RenderWidget(Weather().State);
  const Text tooltip = TrayTooltip(Weather().State);
  UpdateTray(tooltip);
  WriteDiagnostics(plan, tooltip);
}

void ControlForm::UpdateTray(const Text& tooltip) {
  // The tooltip's carriage return is the notification area's line break.
  const QString shown = QString::fromStdU16String(ReplaceAll(tooltip, u"\r", u"\n"));
  tray_->Modify(settings_.TrayCpu == 0 ? windowIcon_ : QImage(), shown);
}

void ControlForm::WriteDiagnostics(const RenderPlan& plan, const Text& trayTooltip) {
  if (!dumpPath_.empty()) {
    StateDump d;
    d.City = Weather().CurrentCityId;
    d.Weather = Weather().State;
    d.ViewMode = form1_->ViewMode;
    d.NormalView = form1_->NormalView;
    d.ShowSeveralCities = form1_->ShowSeveralCities;
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
    const ForecastView& c = form1_->Forecast;
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
    d.Background = form1_->Background() == BackgroundKind::Default  ? "default"
                   : form1_->Background() == BackgroundKind::Custom ? "custom"
                                                                    : "none";
    d.TrayIconBytes = TrayIconFileBytes();
    d.TrayValue = trayValue_;
    d.LeftTwips = form1_->LeftTwips();
    d.TopTwips = form1_->TopTwips();
    d.Topmost = form1_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    d.Visible = form1_->isVisible();
    ReplaceFileAtomically(dumpPath_, StateDumpJson(d), Durability::Quick);
  }
  if (!snapshotPath_.empty()) {
    const QString temp = QString::fromStdString(snapshotPath_ + ".tmp.png");
    if (form1_->Snapshot().save(temp, "PNG")) {
      std::rename(temp.toStdString().c_str(), snapshotPath_.c_str());
    }
  }
}

// ---- timers --------------------------------------------------------------------

void ControlForm::Timer1Tick() {
  // While a fetch waits only the end of an autoexit run may happen; the next tick
  // decides on a refresh.
  if (FetchWaiting() && !cycle_.AutoExit) return;
  switch (TimerTick(cycle_, Weather().State, Weather().ForecastPageReceived, CurrentClock())) {
    case TickAction::SaveAndExit:
      RequestExit();
      break;
    case TickAction::Refresh:
      RefreshWeather();
      break;
    case TickAction::None:
      break;
  }
}

void ControlForm::Timer2Tick() {
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
  tray_->Modify(windowIcon_, tray_->ToolTip());
}

// The menu commands live in control_form_commands.cpp.

// ---- exit ----------------------------------------------------------------------

void ControlForm::RequestExit() {
  if (exitRequested_) return;
  exitRequested_ = true;
  CancelFetchAndThen([this] {
    if (started_) SaveAndExit();
    tray_->Remove();
    QCoreApplication::processEvents();
    std::fflush(nullptr);
    _exit(0);
  });
}

void ControlForm::SaveAndExit() {
  // The events let through below may carry another request to end (a signal, the
  // session manager, a second click on the exit entry).
  if (exiting_) return;
  exiting_ = true;
  exitRequested_ = true;
  if (!cityFixed_) {
    if (menu_.mnuDesk->isChecked()) {
      SetDesktopEmbedded(form1_, false);
      QCoreApplication::processEvents();
    }
    ExitState s;
    s.CityId = TrimBlanks(Weather().CurrentCityId);
    s.Left = static_cast<float>(form1_->LeftTwips());
    s.Top = static_cast<float>(form1_->TopTwips());
    s.Visible = form1_->isVisible();
    s.ShowSeveralCities = form1_->ShowSeveralCities;
    s.ViewMode = form1_->ViewMode;
    s.LockChecked = menu_.mnuLock->isChecked();
    s.TopChecked = menu_.mnuTop->isChecked();
    s.TransChecked = menu_.mnuTrans->isChecked();
    s.DeskChecked = menu_.mnuDesk->isChecked();
    const int bg = menu_.CheckedBackground();
    if (bg >= 0) s.CheckedBackground = bg;
    s.TextColours = form1_->TextColours;
    s.NormalFont = FontChoice{form1_->NormalFont().Face, form1_->NormalFont().Size};
    s.TemperatureFont = FontChoice{form1_->TemperatureFont().Face, form1_->TemperatureFont().Size};
    s.WatchedCities = watched_;
    WriteExitSettings(s);
  }
  tray_->Remove();
  QCoreApplication::processEvents();
  std::fflush(nullptr);
  // Ends at once: no later handler may run or write anything.
  _exit(0);
}

}  // namespace nimbulux
