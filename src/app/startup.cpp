// The start-up of the program: the load of the control form, step by step in its
// fixed order. A step that fails leaves its defaults; no step shows a message box, and
// only a portal that does not answer at all is mentioned (in the tray and on stderr).

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <cstdio>

#include "app/control_form.h"
#include "app/startup_rules.h"
#include "app/tray_bridge.h"
#include "app/update_ui.h"
#include "core/clock.h"
#include "core/local_files.h"
#include "core/program_paths.h"
#include "net/http_fetch.h"
#include "net/picture_decoding.h"
#include "net/portal.h"
#include "settings/settings_file.h"
#include "tray/cpu_usage.h"
#include "tray/tray_gui.h"
#include "weather/city_directory.h"
#include "weather/forecast_cleaning.h"
#include "weather/icon_cache.h"
#include "widget/window_styles.h"

namespace nimbulux {

namespace {

QByteArray Resource(const char* name) {
  QFile f(QString::fromUtf8(name));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// A widget whose portal does not answer would stay empty without a word: it says once
// where it looked and how to start the portal, without waiting for the user.
void SayNoPortalAnswers(TrayIcon& tray) {
  const QString base = QString::fromStdU16String(Weather().PortalBase);
  std::fprintf(stderr,
               "nimbulux: no weather portal answers at %s; start it with "
               "\"systemctl --user start nimbulux-portal\" (installed package) or "
               "\"nimbulux-portal --source live\".\n",
               base.toLocal8Bit().constData());
  tray.Notify(QStringLiteral("Nimbulux"),
              QStringLiteral("天气门户 %1 没有应答。请用 systemctl --user start nimbulux-portal "
                             "启动它。")
                  .arg(base));
}

std::optional<QImage> Decode(const QByteArray& bytes) {
  return PictureFromBytes(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

void ControlForm::LoadBackgrounds(int mode) {
  customBackground_ = IconCache(u"bg", true);
  QByteArray builtIn = Resource(":/background.gif");
  const bool userPictureFound = customBackground_.has_value();
  if (!userPictureFound) customBackground_ = Decode(builtIn);
  const QByteArray night = Resource(":/background_night.bin");
  if (night.size() == 368 && builtIn.size() >= 368) builtIn.replace(0, 368, night);
  defaultBackground_ = Decode(builtIn);
  // Both stay for the whole run, and both are palette pictures.
  if (customBackground_) customBackground_ = CompactPicture(*customBackground_);
  if (defaultBackground_) defaultBackground_ = CompactPicture(*defaultBackground_);
  cycle_.DayNightState = 2;
  menu_.CheckBackground(mode);
  if (mode == 2) cycle_.AutoBackground = true;
  if (mode != 1) {
    widget_->SetBackground(defaultBackground_, BackgroundKind::Default);
  } else if (userPictureFound) {
    widget_->SetBackground(customBackground_, BackgroundKind::Custom);
  } else {
    widget_->SetBackground(std::nullopt, BackgroundKind::None);
  }
}

void ControlForm::Load(const QString& arguments) {
  // The virtual screen, for the range check of the stored position.
  QRect virtualScreen(0, 0, 1024, 768);
  QRect primary(0, 0, 1024, 768);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    virtualScreen = screen->virtualGeometry();
    primary = screen->geometry();
  }
  // The settings file, named after the program file (program_paths), then the command
  // line. An installed copy keeps its files in the user's configuration folder, which
  // may not exist yet: the settings could not be written there otherwise.
  SetSettingsFilePath({});
  if (Paths().dataDir != Paths().programDir) MakeFolders(Paths().dataDir);
  commandLine_ = ParseCommandLine(arguments.toStdU16String());
  cityFixed_ = commandLine_.CityFixed;
  // A program file named after a city code shows that city.
  const Text fileNameCity = CityFromProgramName(FromUtf8(Paths().baseName));
  if (!fileNameCity.empty()) cityFixed_ = true;
  // The program's own icon is the first tray icon.
  defaultTrayIcon_ = PictureFromFile(":/nimbulux.png").value_or(QImage());
  windowIcon_ = defaultTrayIcon_;
  setWindowIcon(QIcon(QPixmap::fromImage(defaultTrayIcon_)));
  widget_->setWindowIcon(windowIcon());

  settings_ = ReadAllSettings();

  // Background pictures.
  LoadBackgrounds(settings_.BackGround);
  // The placeholder for pictures still loading.
  waitPicture_ = IconCache(u"wait", true);
  if (!waitPicture_) waitPicture_ = Decode(Resource(":/wait.gif"));
  // Position.
  if (auto left =
          StoredLeftTwips(settings_.CurrentX, virtualScreen.left(), virtualScreen.width())) {
    widget_->SetLeftTwips(*left);
  }
  if (auto top = StoredTopTwips(settings_.CurrentY, primary.height())) widget_->SetTopTwips(*top);
  // Watched cities.
  watched_ = settings_.WatchedCities;
  menu_.SetCities(watched_);
  // Text colours.
  widget_->TextColours = settings_.TextColours;
  // Click-through and opacity.
  menu_.clickThrough->setChecked(settings_.Trans > 0);
  opacity_ = settings_.Opacity;
  ApplyWindowStyle(widget_, settings_.Trans > 0, opacity_);
  // Lock and topmost.
  menu_.lock->setChecked(settings_.Lock > 0);
  menu_.onTop->setChecked(settings_.Top > 0);
  widget_->Flags.Lock = settings_.Lock > 0;
  widget_->Flags.Top = settings_.Top > 0;
  if (widget_->Flags.Top || widget_->TopTwips() == 1) SetTopmost(widget_, true);
  // Desktop.
  menu_.desktop->setChecked(settings_.Desk > 0);
  // Downloaded pictures are kept only for a run whose city is not fixed.
  if (cityFixed_) {
    settings_.SaveIcons = 0;
  } else if (settings_.SaveIcons != 0) {
    MakeFolders(Paths().ImagesDir());
  }
  SaveIcons() = settings_.SaveIcons;
  // The remaining options and the widget timer.
  cycle_.Front = settings_.Front;
  widget_->ShowSeveralCities = settings_.ShowSeveralCities;
  widget_->ViewMode = settings_.ViewMode;
  cycle_.ForecastWindows = settings_.ForecastWindows;
  cycle_.RefreshInterval = settings_.RefreshInterval;
  cycle_.AutoExit = commandLine_.AutoExit;
  // A coarse timer may fire up to 5 % early; "autoexit=5" must not end before 5 s.
  refreshTimer_.setTimerType(Qt::PreciseTimer);
  refreshTimer_.setInterval(WidgetTimerIntervalMs(commandLine_));
  // The portal and the current city.
  Weather().PortalBase = portal::PortalBaseFromEnvironment();
  Weather().CurrentCityId =
      ChooseCurrentCity(settings_.LocalId, fileNameCity, commandLine_.LocalArgument,
                        [](TextView name) { return CitySearch(name); });
  // The tray icon's header and digits.
  const QByteArray header = Resource(":/tray/icon_header.bin");
  const QByteArray digits = Resource(":/tray/digits.bin");
  LoadTrayIconResources(
      std::string_view(header.constData(), static_cast<std::size_t>(header.size())),
      std::string_view(digits.constData(), static_cast<std::size_t>(digits.size())));
  // Fonts and the offsets that follow from them.
  widget_->SetFonts(WidgetFont{settings_.NormalFont.Name, settings_.NormalFont.Size},
                    WidgetFont{settings_.TemperatureFont.Name, settings_.TemperatureFont.Size});
  // The options entry and the tray icon.
  menu_.options->setEnabled(true);
  // A run without a screen has no notification area to put it in.
  if (!Headless()) tray_->Add(defaultTrayIcon_, windowTitle());
  // The caption the About box shows.
  setWindowTitle(QStringLiteral("Nimbulux V%1.%2.%3")
                     .arg(NIMBULUX_VERSION_MAJOR)
                     .arg(NIMBULUX_VERSION_MINOR)
                     .arg(NIMBULUX_VERSION_PATCH));
  // The normal view, the refresh stamp and a fresh start of the CPU sampler.
  widget_->NormalView = true;
  cycle_.LastRefreshTime = CurrentClock().Now();
  cpuTray_->Reset();
  const std::uint64_t answeredBefore = AnsweredRequestCount();
  // Normal, hidden or first-run start.
  if (commandLine_.AutoExit) widget_->setAttribute(Qt::WA_ShowWithoutActivating);
  const bool hide = settings_.Hide != 0;
  bool refresh = true;
  if (!Weather().CurrentCityId.empty()) {
    if (!hide) {
      Text page =
          HttpFetch(Weather().PortalBase + portal::ForecastPagePath(Weather().CurrentCityId), true);
      Text notes;
      Weather().PendingForecastText = CleanForecastPage(page, notes);
      widget_->Forecast.NotesTooltip = notes;
      widget_->show();
    }
  } else {
    if (!hide) widget_->show();
    OptionsWindow().SetListButtonsEnabled(false);
    OptionsWindow().OpenOptionsDialog();
    if (Weather().CurrentCityId.empty()) EndProgram();
    OptionsWindow().SetListButtonsEnabled(true);
    refresh = false;  // the dialog's OK has refreshed
  }
  // The first refresh.
  if (refresh) {
    RefreshWeather();
    if (AnsweredRequestCount() == answeredBefore) SayNoPortalAnswers(*tray_);
  }
  // The control form stays hidden; queued window events run once. User input held back
  // during the first refresh waits for the main loop, when the start-up is done.
  QDialog::hide();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // Embedding in the desktop, never for a run that ends by itself.
  if (!commandLine_.AutoExit) SetDesktopEmbedded(widget_, menu_.desktop->isChecked());
  started_ = true;
  // Timers.
  refreshTimer_.start();
  if (settings_.TrayCpu > 0) {
    cpu_ = std::make_unique<CpuUsageSampler>();
    cpu_->Initialize();
    cpuTimer_.start();
  }
  // The silent update check.
  if (settings_.Update > 0) {
    UpdateDialogs ui(this);
    CheckForUpdate(false, ui);
  }
}

}  // namespace nimbulux
