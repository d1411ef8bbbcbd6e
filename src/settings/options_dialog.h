// The options dialog: refresh, system, weather and city settings, the home city and the
// watched-city list. It holds the controls; everything it does to the rest of the program
// goes through OptionsHost, which the widget program implements (tests fake it).
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

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
  int RefreshInterval = 30;                       // minutes, key "Time"
  Text ForecastWindows = u"0800-0900;1800-1900";  // key "Forecast"
  Text TrayColourRules = u"1:2;15:1;35:12";       // key "TrayColor"
  int Opacity = 255;                              // 0..255; key "Alpha" = 255 - Opacity
  int TrayCpu = 0;                                // key "TrayCPU"
  int ShowSeveralCities = 0;                      // key "Multi"
  int UpdateAtStart = 0;                          // key "Update"
  int SaveIcons = 0;                              // key "Save"
  int Front = 0;                                  // key "Front"
  int ViewMode = 4;                               // 2: weather index shown, 4: five columns

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

  // The CPU display in the tray: off stops Timer2; on creates and initialises the
  // sampler when there is none and starts Timer2. Either way LastTrayValue becomes -1.
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

  // The controls, by the names the rest of the program and the tests use.
  QLineEdit* Text1() const { return text1_; }
  QLineEdit* Text2() const { return text2_; }
  QLineEdit* Text3() const { return text3_; }
  QLineEdit* Text4() const { return text4_; }
  QCheckBox* Chk(int index) const { return chk_[static_cast<std::size_t>(index)]; }
  QCheckBox* Check1() const { return check1_; }
  QScrollBar* HScroll1() const { return hScroll1_; }
  QComboBox* Combo1() const { return combo1_; }
  QComboBox* Combo2() const { return combo2_; }
  QListWidget* List1() const { return list1_; }
  QLabel* Label7() const { return label7_; }
  // The pending home city's code (the tag of Label7).
  const Text& Label7Tag() const { return label7Tag_; }
  QPushButton* Command(int number) const;  // 1..7; Command8 via Command8(0|1)
  QPushButton* Command8(int index) const { return command8_[static_cast<std::size_t>(index)]; }
  QWidget* Picture1() const { return picture1_; }

  // Button handlers, public so that the program and the tests can run them directly.
  void Command1Click();           // OK
  void Command2Click();           // Cancel
  void Command3Click();           // apply the typed colour rules to the preview
  void Command4Click();           // set my city
  void Command6Click();           // add to the watched list
  void Command7Click();           // remove from the watched list
  void Command8Click(int index);  // 0 up, 1 down
  void Picture1Click();           // edit the colour rules as text
  void Combo1DropDown();          // the region box opens: the directory loads once per run
  void Combo1Click(int index);    // a region chosen: its cities fill Combo2

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
  int opacityOnOpen_ = 255;
  Text label7Tag_;
  Text previewRules_;

  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QLineEdit* text4_ = nullptr;
  std::vector<QCheckBox*> chk_;
  QCheckBox* check1_ = nullptr;
  QScrollBar* hScroll1_ = nullptr;
  QComboBox* combo1_ = nullptr;
  QComboBox* combo2_ = nullptr;
  QListWidget* list1_ = nullptr;
  QLabel* label7_ = nullptr;
  QWidget* picture1_ = nullptr;
  std::vector<QPushButton*> commands_;  // Command1..Command7 at 0..6
  std::vector<QPushButton*> command8_;
};

}  // namespace nimbulux
