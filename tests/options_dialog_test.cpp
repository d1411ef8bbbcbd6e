#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>

#include "core/program_paths.h"
#include "settings/autostart.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace nimbulux {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;

// Plays the running program and records what the dialog asks of it.
class FakeHost : public OptionsHost {
 public:
  OptionsValues Options() const override { return values; }
  void SetOptions(const OptionsValues& v) override { values = v; }
  Text CurrentCityId() const override { return cityId; }
  Text CurrentCityName() const override { return cityName; }
  void SetCurrentCityId(const Text& id) override { cityId = id; }
  WatchedCityList WatchedCities() const override { return watched; }
  void ApplyWatchedCities(const WatchedCityList& cities) override {
    watched = cities;
    ++menuRebuilds;
  }
  void ApplyOpacity(int opacity) override {
    values.Opacity = opacity;
    appliedOpacities.push_back(opacity);
  }
  void SetCpuDisplay(bool on) override { cpuDisplay.push_back(on); }
  void MarkRefreshDue() override { ++refreshDue; }
  void ShowNormalView() override { ++normalView; }
  void RefreshWeather() override { ++refreshes; }
  void TrimWorkingSet() override { ++trims; }

  OptionsValues values;
  Text cityId = u"101010100";
  Text cityName = u"北京";
  WatchedCityList watched{{u"上海", u"101020100", true}};
  int menuRebuilds = 0;
  std::vector<int> appliedOpacities;
  std::vector<bool> cpuDisplay;
  int refreshDue = 0, normalView = 0, refreshes = 0, trims = 0;
};

const char kDirectoryPage[] =
    "<div class=tmapin_citylist><h3>华南</h3><ul>"
    "<li><a href=/html/weather/101280101.shtml>广州</a></li>"
    "<li><a href=/html/weather/101280601.shtml>深圳</a></li></ul></div>";

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", folder_.File("config").c_str(), 1);
    Paths().programFile = folder_.File("nimbulux");
    Paths().programDir = folder_.path();
    Paths().baseName = "nimbulux";
    Paths().dataDir = folder_.path();
    SetSettingsFilePath(folder_.File("nimbulux.ini"));
  }
  void TearDown() override {
    SetSettingsFilePath("");
    unsetenv("XDG_CONFIG_HOME");
  }

  // Opens the dialog and runs `whileOpen` inside its modal loop; whatever does not close
  // the dialog itself is followed by Cancel.
  void Open(OptionsDialog& dialog, const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &dialog, [&] {
      whileOpen();
      if (dialog.isVisible()) dialog.CancelOptions();
    });
    dialog.OpenOptionsDialog();
  }

  // Chooses the first city of the test directory in the two boxes.
  static void ChooseGuangzhou(OptionsDialog& dialog) {
    dialog.CityChooser().SetDirectory(ParseCityDirectory(T(kDirectoryPage)));
    dialog.FillRegionBox();
    ASSERT_EQ(dialog.RegionBox()->count(), 1);
    dialog.RegionBox()->setCurrentIndex(0);
    dialog.ChooseRegion(0);
    ASSERT_EQ(dialog.CityBox()->count(), 2);
    EXPECT_EQ(dialog.CityBox()->currentIndex(), -1);  // no city chosen by itself
    dialog.CityBox()->setCurrentIndex(0);
  }

  static Text Setting(TextView key) { return ReadSetting(kSystemSection, key); }

  TempDir folder_;
  FakeHost host_;
  static Text NoCity(TextView) { return {}; }
};

TEST_F(OptionsDialogTest, WithoutCityOkWaitsForSetMyCity) {
  host_.cityId.clear();
  host_.cityName.clear();
  OptionsDialog dialog(host_, nullptr, NoCity);
  dialog.SetListButtonsEnabled(false);
  Open(dialog, [&] {
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_FALSE(dialog.AddWatchedButton()->isEnabled());
    EXPECT_FALSE(dialog.MoveDownButton()->isEnabled());
    dialog.SetHomeCity();  // nothing chosen yet
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    ChooseGuangzhou(dialog);
    dialog.SetHomeCity();
    EXPECT_EQ(dialog.HomeCityLabel()->text(), QStringLiteral("广州"));
    EXPECT_EQ(dialog.PendingHomeCityId(), u"101280101");
    EXPECT_EQ(dialog.CityBox()->currentIndex(), -1);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.cityId, u"101280101");
  EXPECT_EQ(Setting(u"LocalID"), u"101280101");
  EXPECT_EQ(host_.refreshes, 1);
  EXPECT_EQ(host_.normalView, 1);
}

TEST_F(OptionsDialogTest, TypedNameTakenOverByOkAndWinsOverTheBoxes) {
  OptionsDialog dialog(host_, nullptr, [](TextView name) {
    return name == u"深圳市" ? Text(u"101280601") : Text(u"999999999");
  });
  Open(dialog, [&] {
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.HomeCityLabel()->text(), QStringLiteral("北京"));
    ChooseGuangzhou(dialog);
    dialog.CityNameEdit()->setText(QStringLiteral("深圳市"));
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.cityId, u"101280601");
  EXPECT_EQ(Setting(u"LocalID"), u"101280601");
  EXPECT_EQ(host_.refreshes, 1);

  // Enter in the name box moves on to the set-my-city button without pressing it.
  Open(dialog, [&] {
    dialog.CityNameEdit()->setText(QStringLiteral("深圳市"));
    dialog.CityNameEdit()->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(dialog.CityNameEdit(), &enter);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.HomeCityLabel()->text(), QStringLiteral("北京"));
    EXPECT_EQ(dialog.CityNameEdit()->text(), QStringLiteral("深圳市"));
  });
}

TEST_F(OptionsDialogTest, SimpleFlagsAreStoredWithoutRefresh) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  Open(dialog, [&] {
    dialog.FrontBox()->setChecked(true);
    dialog.UpdateAtStartBox()->setChecked(true);
    dialog.SaveIconsBox()->setChecked(true);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(Setting(u"Front"), u"1");
  EXPECT_EQ(Setting(u"Update"), u"1");
  EXPECT_EQ(Setting(u"Save"), u"1");
  EXPECT_EQ(host_.values.Front, 1);
  EXPECT_EQ(host_.values.SaveIcons, 1);
  EXPECT_TRUE(FileExists(folder_.File("Images")));
  EXPECT_EQ(host_.refreshes, 0);
  EXPECT_EQ(host_.trims, 1);

  // Unchecked again: "Front" and "Save" keep a "0", "Update" is removed.
  Open(dialog, [&] {
    EXPECT_TRUE(dialog.FrontBox()->isChecked());
    dialog.FrontBox()->setChecked(false);
    dialog.UpdateAtStartBox()->setChecked(false);
    dialog.SaveIconsBox()->setChecked(false);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(Setting(u"Front"), u"0");
  EXPECT_EQ(Setting(u"Save"), u"0");
  EXPECT_EQ(ReadFile(folder_.File("nimbulux.ini")).find("Update"), std::string::npos);
  EXPECT_EQ(host_.refreshes, 0);
}

TEST_F(OptionsDialogTest, IntervalMustBeAtLeastAMinute) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  for (const char* typed : {"0", "-5", "abc", "0.4", "99999"}) {
    Open(dialog, [&] {
      EXPECT_EQ(dialog.IntervalEdit()->text(), QStringLiteral("30"));
      dialog.IntervalEdit()->setText(QString::fromLatin1(typed));
      dialog.AcceptOptions();
    });
    EXPECT_EQ(host_.values.RefreshInterval, 30) << typed;
  }
  EXPECT_EQ(Setting(u"Time"), u"");
  EXPECT_EQ(host_.refreshes, 0);

  Open(dialog, [&] {
    dialog.IntervalEdit()->setText(QStringLiteral("45分钟"));
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.values.RefreshInterval, 45);
  EXPECT_EQ(Setting(u"Time"), u"45");
  EXPECT_EQ(host_.refreshes, 1);
}

TEST_F(OptionsDialogTest, TextsAndViewModeRefresh) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  Open(dialog, [&] {
    EXPECT_EQ(dialog.ForecastWindowsEdit()->text(), QStringLiteral("0800-0900;1800-1900"));
    dialog.ForecastWindowsEdit()->setText(QStringLiteral("0700-0800"));
    dialog.EditRulesAsText();
    EXPECT_TRUE(dialog.TrayRulesEdit()->isVisible());
    EXPECT_FALSE(dialog.RulesPreview()->isVisible());
    dialog.TrayRulesEdit()->setText(QStringLiteral("0:9;30:12"));
    dialog.ApplyTypedRules();
    EXPECT_EQ(dialog.PreviewRules(), u"0:9;30:12");
    EXPECT_TRUE(dialog.RulesPreview()->isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.RulesPreview());  // not left on the hidden button
    dialog.ShowIndexBox()->setChecked(true);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(Setting(u"Forecast"), u"0700-0800");
  EXPECT_EQ(Setting(u"TrayColor"), u"0:9;30:12");
  EXPECT_EQ(Setting(u"ShowIndex"), u"1");
  EXPECT_EQ(host_.values.ViewMode, 2);
  EXPECT_EQ(host_.values.TrayColourRules, u"0:9;30:12");
  EXPECT_EQ(host_.refreshes, 1);
}

TEST_F(OptionsDialogTest, CpuDisplayOffStopsTheTimerAndRefreshes) {
  host_.values.TrayCpu = 1;
  OptionsDialog dialog(host_, nullptr, NoCity);
  Open(dialog, [&] {
    EXPECT_TRUE(dialog.CpuInTrayBox()->isChecked());
    dialog.CpuInTrayBox()->setChecked(false);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.cpuDisplay, std::vector<bool>{false});
  EXPECT_EQ(host_.refreshDue, 1);
  EXPECT_EQ(host_.refreshes, 1);
  EXPECT_EQ(host_.values.TrayCpu, 0);
  EXPECT_EQ(Setting(u"TrayCPU"), u"0");

  Open(dialog, [&] {
    dialog.CpuInTrayBox()->setChecked(true);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.cpuDisplay, (std::vector<bool>{false, true}));
  EXPECT_EQ(host_.refreshes, 1);
}

TEST_F(OptionsDialogTest, OpacityFollowsTheBarAndCancelRestoresIt) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  Open(dialog, [&] {
    EXPECT_EQ(dialog.OpacityBar()->value(), 255);
    dialog.OpacityBar()->setValue(200);
    EXPECT_EQ(host_.values.Opacity, 200);  // seen at once
    dialog.CancelOptions();
  });
  EXPECT_EQ(host_.values.Opacity, 255);
  EXPECT_EQ(host_.appliedOpacities, (std::vector<int>{200, 255}));
  EXPECT_EQ(Setting(u"Alpha"), u"");

  Open(dialog, [&] {
    dialog.OpacityBar()->setValue(200);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(host_.values.Opacity, 200);
  EXPECT_EQ(Setting(u"Alpha"), u"55");

  // The close box abandons like Cancel.
  Open(dialog, [&] {
    dialog.OpacityBar()->setValue(10);
    dialog.close();
  });
  EXPECT_EQ(host_.values.Opacity, 200);

  Open(dialog, [&] {
    dialog.OpacityBar()->setValue(255);
    dialog.AcceptOptions();
  });
  EXPECT_EQ(ReadFile(folder_.File("nimbulux.ini")).find("Alpha"), std::string::npos);
}

TEST_F(OptionsDialogTest, WatchedListEditsApplyOnOkOnly) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  ASSERT_EQ(dialog.WatchedListBox()->count(), 1);
  EXPECT_EQ(dialog.WatchedListBox()->item(0)->text(), QStringLiteral("上海;101020100"));
  EXPECT_EQ(dialog.WatchedListBox()->item(0)->checkState(), Qt::Checked);

  // Cancel: the confirmed list comes back.
  Open(dialog, [&] {
    ChooseGuangzhou(dialog);
    dialog.AddWatchedCity();
    EXPECT_EQ(dialog.WatchedListBox()->count(), 2);
    dialog.CancelOptions();
  });
  EXPECT_EQ(dialog.WatchedListBox()->count(), 1);
  EXPECT_EQ(host_.menuRebuilds, 0);

  Open(dialog, [&] {
    ChooseGuangzhou(dialog);
    dialog.AddWatchedCity();
    ASSERT_EQ(dialog.WatchedListBox()->count(), 2);
    EXPECT_EQ(dialog.WatchedListBox()->currentRow(), 1);
    EXPECT_EQ(dialog.WatchedListBox()->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(dialog.CityBox()->currentIndex(), -1);
    dialog.CityBox()->setCurrentIndex(0);
    dialog.AddWatchedCity();  // the same line again: nothing
    EXPECT_EQ(dialog.WatchedListBox()->count(), 2);
    dialog.WatchedListBox()->item(1)->setCheckState(Qt::Checked);
    dialog.MoveWatchedCityUp();
    EXPECT_EQ(dialog.WatchedListBox()->currentRow(), 0);
    dialog.AcceptOptions();
  });
  ASSERT_EQ(host_.watched.size(), 2u);
  EXPECT_EQ(host_.watched[0], (WatchedCity{u"广州", u"101280101", true}));
  EXPECT_EQ(host_.watched[1], (WatchedCity{u"上海", u"101020100", true}));
  EXPECT_EQ(host_.menuRebuilds, 1);
  EXPECT_EQ(host_.refreshes, 1);

  // Removing every line leaves an empty menu.
  Open(dialog, [&] {
    for (int i = 0; i < 2; ++i) {
      dialog.WatchedListBox()->setCurrentRow(0);
      dialog.RemoveWatchedCity();
    }
    dialog.AcceptOptions();
  });
  EXPECT_TRUE(host_.watched.empty());
  EXPECT_EQ(host_.menuRebuilds, 2);
}

TEST_F(OptionsDialogTest, AutostartWrittenOnEveryOk) {
  OptionsDialog dialog(host_, nullptr, NoCity);
  const std::string entry = folder_.File("config/autostart/Weather.desktop");
  Open(dialog, [&] {
    EXPECT_FALSE(dialog.AutostartBox()->isChecked());
    dialog.AutostartBox()->setChecked(true);
    dialog.AcceptOptions();
  });
  ASSERT_TRUE(FileExists(entry));
  EXPECT_TRUE(AutostartEnabled(FromUtf8(folder_.File("nimbulux"))));

  // Another form of the same path still ticks the box; OK writes our entry again.
  test::WriteFile(entry, "[Desktop Entry]\nExec=\"" + folder_.File("NIMBULUX") + "\" --x\n");
  Open(dialog, [&] {
    EXPECT_TRUE(dialog.AutostartBox()->isChecked());
    dialog.AcceptOptions();
  });
  EXPECT_NE(ReadFile(entry).find("X-Nimbulux-Command=" + folder_.File("nimbulux")),
            std::string::npos);

  Open(dialog, [&] {
    dialog.AutostartBox()->setChecked(false);
    dialog.AcceptOptions();
  });
  EXPECT_FALSE(FileExists(entry));
}

}  // namespace
}  // namespace nimbulux
