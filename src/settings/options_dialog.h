// The options dialog: refresh, system, weather and city settings, the home city and the
// watched-city list. It holds the controls; everything it does to the rest of the program
// goes through OptionsHost, which the widget program implements (tests fake it).
#pragma once

#include <QDialog>
#include <memory>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "weather/city_directory.h"
#include "weather/watched_city.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace nimbulux {

// The run's settings variables the dialog shows and edits. Flags hold 1 or 0.
struct OptionsValues {
  int RefreshInterval = kDefaultRefreshInterval;         // minutes, key "Time"
  Text ForecastWindows = Text(kDefaultForecastWindows);  // key "Forecast"
  Text TrayColourRules = Text(kDefaultTrayColourRules);  // key "TrayColor"
  int Opacity = kOpaque;                                 // 0..255; key "Alpha" = 255 - Opacity
  int TrayCpu = 0;                                       // key "TrayCPU"
  int ShowSeveralCities = 0;                             // key "Multi"
  int UpdateAtStart = 0;                                 // key "Update"
  int SaveIcons = 0;                                     // key "Save"
  int Front = 0;                                         // key "Front"
  int ViewMode = kDefaultViewMode;                       // 2: weather index shown, 4: five columns

  bool operator==(const OptionsValues&) const = default;
};

// What the dialog needs of the running program.
class OptionsHost {
 public:
  virtual ~OptionsHost() = default;

  // The program's current values; the dialog reads them when it opens and on OK.
  virtual OptionsValues Options() const = 0;
  // Takes the confirmed values into the program's variables (SaveIcons() included).
  // No refresh and no timer change: the dialog asks for those separately.
  virtual void SetOptions(const OptionsValues& values) = 0;

  // The city shown now (empty: none yet) and its display name (WeatherState CityName).
  virtual Text CurrentCityId() const = 0;
  virtual Text CurrentCityName() const = 0;
  // The new home city; the dialog has already stored "LocalID".
  virtual void SetCurrentCityId(const Text& cityId) = 0;

  // The confirmed watched-city list, in order.
  virtual WatchedCityList WatchedCities() const = 0;
  // Takes the confirmed list and rebuilds the city menu from it at once (element 0, the
  // separator, stays; element m stands for entry m with its name, id and check mark).
  virtual void ApplyWatchedCities(const WatchedCityList& cities) = 0;

  // Opacity = value, and the window styles are applied with it at once.
  virtual void ApplyOpacity(int opacity) = 0;

  // The CPU display in the tray: off stops the CPU timer; on creates and initialises the
  // sampler when there is none and starts the timer. Either way the next sample redraws the
  // tray icon.
  virtual void SetCpuDisplay(bool on) = 0;

  // MinutesSinceRefresh = RefreshInterval, so the refresh counts as due.
  virtual void MarkRefreshDue() = 0;
  // NormalView = true (the widget leaves the details view).
  virtual void ShowNormalView() = 0;
  virtual void RefreshWeather() = 0;

  // Gives unused memory back to the system after a dialog that changed nothing.
  virtual void TrimWorkingSet() = 0;
};

// The dialog. Create one for the whole run (the region and city boxes keep their state
// between openings) and call OpenOptionsDialog from the menu and from the first start.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // search: the city search by name (tests replace the network service).
  explicit OptionsDialog(OptionsHost& host, QWidget* parent = nullptr,
                         CitySearchFunction search = CitySearch);
  ~OptionsDialog() override;

  // Fills the controls from the program, shows the dialog modally and, after OK with a
  // change that needs it, refreshes. Returns when the dialog has been closed.
  void OpenOptionsDialog();

  // The four editing buttons of the watched list (add, remove, up, down); the first start
  // disables them so that only a home city can be chosen.
  void SetListButtonsEnabled(bool enabled);

  // Set by OK when a change needs a new refresh; OpenOptionsDialog reads and clears it.
  bool OptionsChanged() const { return optionsChanged_; }

  // The controls, named for what they edit. Each keeps its form name (Text1, Chk4,
  // Command6...) as its object name, the name checks and scripts look it up by.
  QLineEdit* IntervalEdit() const { return intervalEdit_; }                // Text1
  QLineEdit* CityNameEdit() const { return cityNameEdit_; }                // Text2
  QLineEdit* TrayRulesEdit() const { return trayRulesEdit_; }              // Text3
  QLineEdit* ForecastWindowsEdit() const { return forecastWindowsEdit_; }  // Text4
  QCheckBox* UpdateAtStartBox() const { return updateAtStartBox_; }        // Chk0
  QCheckBox* ShowIndexBox() const { return showIndexBox_; }                // Chk1
  QCheckBox* AutostartBox() const { return autostartBox_; }                // Chk2
  QCheckBox* FrontBox() const { return frontBox_; }                        // Chk3
  QCheckBox* SaveIconsBox() const { return saveIconsBox_; }                // Chk4
  QCheckBox* SeveralCitiesBox() const { return severalCitiesBox_; }        // Chk5
  QCheckBox* CpuInTrayBox() const { return cpuInTrayBox_; }                // Check1
  QScrollBar* OpacityBar() const { return opacityBar_; }                   // HScroll1
  QComboBox* RegionBox() const { return regionBox_; }                      // Combo1
  QComboBox* CityBox() const { return cityBox_; }                          // Combo2
  QListWidget* WatchedListBox() const { return watchedListBox_; }          // List1
  QLabel* HomeCityLabel() const { return homeCityLabel_; }                 // Label7
  // The code of the home city the dialog will confirm (empty: none pending).
  const Text& PendingHomeCityId() const { return pendingHomeCityId_; }
  QWidget* RulesPreview() const { return rulesPreview_; }                    // Picture1
  QPushButton* OkButton() const { return okButton_; }                        // Command1
  QPushButton* CancelButton() const { return cancelButton_; }                // Command2
  QPushButton* ApplyRulesButton() const { return applyRulesButton_; }        // Command3
  QPushButton* SetHomeCityButton() const { return setHomeCityButton_; }      // Command4
  QPushButton* AddWatchedButton() const { return addWatchedButton_; }        // Command6
  QPushButton* RemoveWatchedButton() const { return removeWatchedButton_; }  // Command7
  QPushButton* MoveUpButton() const { return moveUpButton_; }                // Command8(0)
  QPushButton* MoveDownButton() const { return moveDownButton_; }            // Command8(1)

  // What the buttons and boxes do, public so that the program and the tests can run it.
  void AcceptOptions();          // OK: apply and store what changed
  void CancelOptions();          // Cancel
  void ApplyTypedRules();        // show the typed tray colour rules in the preview
  void SetHomeCity();            // take the chosen or typed city as the pending home city
  void AddWatchedCity();         // append the chosen or typed city to the watched list
  void RemoveWatchedCity();      // remove the selected watched city
  void MoveWatchedCityUp();      // move the selected watched city one place up
  void MoveWatchedCityDown();    // and down
  void EditRulesAsText();        // a click on the preview: edit the colour rules as text
  void FillRegionBox();          // the region box opens: the directory loads once per run
  void ChooseRegion(int index);  // a region chosen: its cities fill the city box

  // The city chooser and the watched list behind the controls.
  CityFrame& CityChooser() { return *cityFrame_; }
  const WatchedListModel& WatchedList() const { return watchedList_; }
  // The rules the preview shows now.
  const Text& PreviewRules() const { return previewRules_; }

 public Q_SLOTS:
  // Cancel, Escape and the close box: abandon the edits.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildRefreshFrame();
  QWidget* BuildSystemFrame();
  QWidget* BuildWeatherFrame();
  QWidget* BuildCityFrame();
  void ShowWatchedList();
  void ApplyHomeCity(const ChosenCity& city);
  ChosenCity ResolveInput() const;
  void ShowPreview(const Text& rules);

  OptionsHost& host_;
  std::unique_ptr<CityFrame> cityFrame_;
  WatchedListModel watchedList_;
  bool optionsChanged_ = false;
  int opacityOnOpen_ = kOpaque;
  Text pendingHomeCityId_;
  Text previewRules_;

  QLineEdit* intervalEdit_ = nullptr;
  QLineEdit* cityNameEdit_ = nullptr;
  QLineEdit* trayRulesEdit_ = nullptr;
  QLineEdit* forecastWindowsEdit_ = nullptr;
  QCheckBox* updateAtStartBox_ = nullptr;
  QCheckBox* showIndexBox_ = nullptr;
  QCheckBox* autostartBox_ = nullptr;
  QCheckBox* frontBox_ = nullptr;
  QCheckBox* saveIconsBox_ = nullptr;
  QCheckBox* severalCitiesBox_ = nullptr;
  QCheckBox* cpuInTrayBox_ = nullptr;
  QScrollBar* opacityBar_ = nullptr;
  QComboBox* regionBox_ = nullptr;
  QComboBox* cityBox_ = nullptr;
  QListWidget* watchedListBox_ = nullptr;
  QLabel* homeCityLabel_ = nullptr;
  QWidget* rulesPreview_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* applyRulesButton_ = nullptr;
  QPushButton* setHomeCityButton_ = nullptr;
  QPushButton* addWatchedButton_ = nullptr;
  QPushButton* removeWatchedButton_ = nullptr;
  QPushButton* moveUpButton_ = nullptr;
  QPushButton* moveDownButton_ = nullptr;
};

}  // namespace nimbulux
