// The control form's side of the options dialog: opening it from the menu and taking
// its confirmed values into the running program (city, watched-city menu, timers, tray,
// opacity, refresh).
#include "app/control_form.h"
#include "tray/cpu_usage.h"
#include "tray/tray_gui.h"
#include "weather/icon_cache.h"
#include "weather/weather_state.h"
#include "widget/window_styles.h"

namespace nimbulux {

void ControlForm::OpenOptions() { OptionsWindow().OpenOptionsDialog(); }

OptionsValues ControlForm::Options() const {
  OptionsValues v;
  v.RefreshInterval = cycle_.RefreshInterval;
  v.ForecastWindows = cycle_.ForecastWindows;
  v.TrayColourRules = settings_.TrayColourRules;
  v.Opacity = opacity_;
  v.TrayCpu = settings_.TrayCpu;
  v.ShowSeveralCities = widget_->ShowSeveralCities;
  v.UpdateAtStart = settings_.Update;
  v.SaveIcons = SaveIcons();
  v.Front = cycle_.Front;
  v.ViewMode = widget_->ViewMode;
  return v;
}

void ControlForm::SetOptions(const OptionsValues& v) {
  cycle_.RefreshInterval = static_cast<std::int16_t>(v.RefreshInterval);
  cycle_.ForecastWindows = v.ForecastWindows;
  settings_.TrayColourRules = v.TrayColourRules;
  settings_.TrayCpu = static_cast<std::int16_t>(v.TrayCpu);
  widget_->ShowSeveralCities = v.ShowSeveralCities;
  settings_.Update = static_cast<std::int16_t>(v.UpdateAtStart);
  SaveIcons() = v.SaveIcons;
  cycle_.Front = static_cast<std::int16_t>(v.Front);
  widget_->ViewMode = v.ViewMode;
}

Text ControlForm::CurrentCityId() const { return Weather().CurrentCityId; }
Text ControlForm::CurrentCityName() const { return Weather().State.CityName; }
void ControlForm::SetCurrentCityId(const Text& cityId) { Weather().CurrentCityId = cityId; }
WatchedCityList ControlForm::WatchedCities() const { return watched_; }

void ControlForm::ApplyWatchedCities(const WatchedCityList& cities) {
  watched_ = cities;
  // Element 0, the separator, stays; the cities follow it in list order.
  menu_.SetCities(watched_);
}

void ControlForm::ApplyOpacity(int opacity) {
  opacity_ = opacity;
  ApplyWindowStyle(widget_, menu_.clickThrough->isChecked(), opacity_);
}

void ControlForm::SetCpuDisplay(bool on) {
  if (on) {
    if (!cpu_) {
      cpu_ = std::make_unique<CpuUsageSampler>();
      cpu_->Initialize();
    }
    cpuTimer_.start();
  } else {
    cpuTimer_.stop();
  }
  // The next sample redraws the tray icon whatever it shows now.
  cpuTray_->Reset();
}

void ControlForm::MarkRefreshDue() { cycle_.MinutesSinceRefresh = cycle_.RefreshInterval; }
void ControlForm::ShowNormalView() { widget_->NormalView = true; }
void ControlForm::TrimWorkingSet() { TrimMemory(); }

}  // namespace nimbulux
