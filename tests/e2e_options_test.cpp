// The options dialog inside the running program: the control form starts against the
// demo portal on 127.0.0.1 from a temporary program folder, the dialog is opened from the
// menu and driven through its controls, and the program's state, menu, timers and
// settings file are checked afterwards. The last tests run the program itself on Xvfb.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/control_form.h"
#include "core/gbk.h"
#include "core/program_paths.h"
#include "e2e_support.h"
#include "settings/options_dialog.h"
#include "settings/settings_file.h"
#include "support/portal_process.h"
#include "support/temp_dir.h"
#include "support/test_application.h"
#include "support/xvfb.h"
#include "weather/city_directory.h"
#include "weather/icon_cache.h"
#include "weather/weather_state.h"

using namespace nimbulux;
using namespace nimbulux::test;

namespace {

QApplication& App() {
  QApplication& app = test::TestApplication();
  QApplication::setQuitOnLastWindowClosed(false);
  return app;
}

QString U(const char* text) { return QString::fromUtf8(text); }

// Answers every message box that opens while it lives, in order, and notes its text and
// whether the control form was enabled meanwhile.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer(QWidget* controlForm, std::vector<QMessageBox::StandardButton> answers)
      : form_(controlForm), answers_(std::move(answers)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Answer(); });
    poll_.start(10);
  }
  std::vector<QString> texts;
  std::vector<bool> formEnabled;

 private:
  void Answer() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      texts.push_back(box->text());
      formEnabled.push_back(form_ && form_->isEnabled());
      const QMessageBox::StandardButton answer =
          next_ < answers_.size() ? answers_[next_++] : QMessageBox::Ok;
      if (QAbstractButton* button = box->button(answer)) {
        button->click();
      } else {
        box->reject();
      }
    }
  }
  QWidget* form_;
  std::vector<QMessageBox::StandardButton> answers_;
  std::size_t next_ = 0;
  QTimer poll_;
};

class OptionsInProgram : public ::testing::Test {
 protected:
  explicit OptionsInProgram(std::vector<std::string> portalArgs = {})
      : portal_(std::move(portalArgs)) {}

  void SetUp() override {
    App();
    setenv("HOME", dir_.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
    setenv("NIMBULUX_PORTAL", portal_.base().c_str(), 1);
    setenv("NIMBULUX_SEARCH", portal_.base().c_str(), 1);
    setenv("NIMBULUX_STATE_DUMP", Dump().c_str(), 1);
    unsetenv("NIMBULUX_SNAPSHOT");
    // No name service is needed: a numeric address announces the newest version.
    setenv("NIMBULUX_UPDATE_HOST", "1.6.200.3", 1);
    setenv("NIMBULUX_UPDATE_PAGE", (portal_.base() + "/nimbulux/update.html").c_str(), 1);
    Paths() = MakeProgramPaths(dir_.File("nimbulux"));
    SetSettingsFilePath({});
    Weather().State = WeatherState{};
    Weather().CurrentCityId.clear();
    Weather().PendingForecastText.clear();
    ResetCityDirectoryForTesting();
    SaveIcons() = 0;
  }
  void TearDown() override { form_.reset(); }

  std::string Dump() const { return dir_.File("state.json"); }

  // Writes the settings file and runs the start-up; the dump of its refresh is removed.
  void Start(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    if (!lines.empty()) WriteFile(Paths().SettingsFile(), GbkFromText(FromUtf8(text)));
    form_ = std::make_unique<ControlForm>();
    form_->Load(QString());
    std::remove(Dump().c_str());
  }

  // Whether a refresh has drawn the widget since the last call.
  bool Refreshed() {
    const bool drawn = FileExists(Dump());
    std::remove(Dump().c_str());
    return drawn;
  }

  // Opens the dialog through a menu entry and runs act inside it; act ends it with OK or
  // Cancel (a dialog left open is cancelled and counts as a failure).
  void WithDialog(QAction* entry, const std::function<void(OptionsDialog&)>& act) {
    bool opened = false;
    QTimer::singleShot(0, form_.get(), [&] {
      OptionsDialog& dialog = form_->OptionsWindow();
      opened = dialog.isVisible();
      act(dialog);
      if (dialog.isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog.reject();
      }
    });
    entry->trigger();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(form_->OptionsWindow().isVisible());
  }
  void WithDialog(const std::function<void(OptionsDialog&)>& act) {
    WithDialog(form_->Menu().options, act);
  }

  SettingsSnapshot Settings() const { return SettingsSnapshot::Load(); }
  std::string Setting(const char16_t* key) const {
    const SettingsSnapshot s = Settings();
    return s.Has(u"SYSTEM", key) ? ToUtf8(s.Read(u"SYSTEM", key)) : "<missing>";
  }

  // The watched-city entries of the city menu after the separator: caption, code, mark.
  std::vector<std::string> CityMenu() const {
    std::vector<std::string> entries;
    const std::vector<QAction*>& list = form_->Menu().cities;
    for (std::size_t i = 1; i < list.size(); ++i) {
      entries.push_back(list[i]->text().toStdString() + ";" +
                        list[i]->data().toString().toStdString() +
                        (list[i]->isChecked() ? ";x" : ""));
    }
    return entries;
  }

  TempDir dir_;
  PortalProcess portal_;
  std::unique_ptr<ControlForm> form_;
};

TEST_F(OptionsInProgram, FirstRunOffersOnlyTheHomeCityAndKeepsIt) {
  bool okAtFirst = true, listButtons = true, okAfterSet = false;
  QString label, title;
  // The first-run dialog opens inside the start-up itself.
  QTimer::singleShot(0, [&] {
    OptionsDialog& d = form_->OptionsWindow();
    title = d.windowTitle();
    okAtFirst = d.OkButton()->isEnabled();
    listButtons = d.AddWatchedButton()->isEnabled() || d.RemoveWatchedButton()->isEnabled() ||
                  d.MoveUpButton()->isEnabled() || d.MoveDownButton()->isEnabled();
    d.CityNameEdit()->setText(U("上海"));
    d.SetHomeCityButton()->click();
    okAfterSet = d.OkButton()->isEnabled();
    label = d.HomeCityLabel()->text();
    d.OkButton()->click();
  });
  Start({});
  EXPECT_EQ(title, "Nimbulux V1.6.3");
  EXPECT_FALSE(okAtFirst);
  EXPECT_FALSE(listButtons);
  EXPECT_TRUE(okAfterSet);
  EXPECT_EQ(label, U("上海"));
  EXPECT_EQ(Setting(u"LocalID"), "101020100");
  EXPECT_EQ(Weather().CurrentCityId, u"101020100");
  EXPECT_EQ(Weather().State.CityName, u"上海");  // the dialog's OK refreshed
  // The list can be edited from now on.
  EXPECT_TRUE(form_->OptionsWindow().AddWatchedButton()->isEnabled());
  EXPECT_TRUE(form_->OptionsWindow().MoveDownButton()->isEnabled());
}

TEST_F(OptionsInProgram, TypedNameWinsOverTheBoxesOnOkAndRefreshes) {
  Start({"[SYSTEM]", "LocalID=101010100"});
  EXPECT_EQ(Weather().State.CityName, u"北京");
  WithDialog(form_->Menu().chooseCity, [&](OptionsDialog& d) {
    EXPECT_TRUE(d.OkButton()->isEnabled());
    EXPECT_EQ(d.HomeCityLabel()->text(), U("北京"));
    // A region and a city chosen in the boxes, a name typed as well.
    d.RegionBox()->showPopup();
    d.RegionBox()->hidePopup();
    ASSERT_GT(d.RegionBox()->count(), 0);
    d.RegionBox()->setCurrentIndex(0);
    d.ChooseRegion(0);
    ASSERT_GT(d.CityBox()->count(), 0);
    d.CityBox()->setCurrentIndex(0);
    d.CityNameEdit()->setText(U("shanghai"));
    d.OkButton()->click();
  });
  EXPECT_EQ(Setting(u"LocalID"), "101020100");
  EXPECT_TRUE(Refreshed());
  EXPECT_EQ(Weather().CurrentCityId, u"101020100");
  EXPECT_EQ(Weather().State.CityName, u"上海");
  // The next opening shows the new home city and an empty name box.
  WithDialog([&](OptionsDialog& d) {
    EXPECT_EQ(d.HomeCityLabel()->text(), U("上海"));
    EXPECT_TRUE(d.CityNameEdit()->text().isEmpty());
    d.CancelButton()->click();
  });
  EXPECT_FALSE(Refreshed());
}

// The dialog's rules are tested against a fake program in options_dialog_test; here one
// OK shows that the running program takes each change up: its timer, window, city menu,
// picture saving and refresh.
TEST_F(OptionsInProgram, OkReachesTheRunningProgram) {
  Start({"[SYSTEM]", "LocalID=101010100", "TrayCPU=1", "Alpha=55"});
  QWidget* widget = form_->Widget();
  EXPECT_TRUE(form_->CpuTimer().isActive());
  EXPECT_DOUBLE_EQ(widget->windowOpacity(), 200 / 255.0);
  double during = 0;
  WithDialog([&](OptionsDialog& d) {
    d.CpuInTrayBox()->setChecked(false);
    d.SaveIconsBox()->setChecked(true);
    d.OpacityBar()->setValue(100);
    during = widget->windowOpacity();
    d.CityNameEdit()->setText(U("天津"));
    d.AddWatchedButton()->click();
    d.WatchedListBox()->item(0)->setCheckState(Qt::Checked);
    d.OkButton()->click();
  });
  EXPECT_DOUBLE_EQ(during, 100 / 255.0);
  EXPECT_DOUBLE_EQ(widget->windowOpacity(), 100 / 255.0);
  EXPECT_FALSE(form_->CpuTimer().isActive());
  EXPECT_EQ(SaveIcons(), 1);
  EXPECT_EQ(CityMenu(), (std::vector<std::string>{"天津;501010100;x"}));
  EXPECT_TRUE(Refreshed());
  EXPECT_EQ(Setting(u"Alpha"), "155");
  EXPECT_EQ(Setting(u"LocalID"), "101010100");  // adding a city does not make it home
}

// Every caption fits its control, and the four frames line up.
TEST_F(OptionsInProgram, DialogIsOrderly) {
  Start({"[SYSTEM]", "LocalID=101010100", "[CITY]", "Count=2", "1=乌鲁木齐;101130101;1",
         "2=上海;101020100;0"});
  WithDialog([&](OptionsDialog& d) {
    // Filled as a user sees it after choosing a region and a city.
    d.RegionBox()->showPopup();
    d.RegionBox()->hidePopup();
    d.RegionBox()->setCurrentIndex(0);
    d.ChooseRegion(0);
    d.CityBox()->setCurrentIndex(0);
    QCoreApplication::processEvents();
    if (const char* keep = std::getenv("NIMBULUX_KEEP_DIALOG")) d.grab().save(keep);
    for (QWidget* w : d.findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      const bool captioned = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
      if (captioned && w->objectName() != "Label7") {
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
      }
      if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        const int title = frame->fontMetrics().horizontalAdvance(frame->title());
        EXPECT_GT(frame->width(), title + 20) << frame->objectName().toStdString();
      }
    }
    auto frame = [&](const char* name) {
      QWidget* w = d.findChild<QGroupBox*>(name);
      return w ? w->geometry() : QRect();
    };
    const QRect refresh = frame("FrameRefresh"), weather = frame("FrameWeather");
    const QRect system = frame("FrameSystem"), city = frame("FrameCity");
    ASSERT_TRUE(refresh.isValid() && weather.isValid() && system.isValid() && city.isValid());
    EXPECT_EQ(refresh.left(), weather.left());
    EXPECT_EQ(refresh.width(), weather.width());
    EXPECT_EQ(refresh.top(), system.top());
    EXPECT_EQ(weather.bottom(), system.bottom());
    EXPECT_EQ(city.left(), refresh.left());
    EXPECT_EQ(city.right(), system.right());
    EXPECT_GT(city.top(), system.bottom());
    EXPECT_TRUE(d.rect().contains(city));
    d.CancelButton()->click();
  });
}

class UpdateInProgram : public OptionsInProgram {
 protected:
  UpdateInProgram() : OptionsInProgram({"--update-notice", NoticeFile()}) {}
  static std::string NoticeFile() {
    static TempDir folder;
    return folder.File("notice.txt");
  }
  void WriteNotice() {
    WriteFile(NoticeFile(), GbkFromText(FromUtf8("1.6.4\r\n" + portal_.base() +
                                                 "/nimbulux/archive/n.rar\r\n"
                                                 "[1.6.3]旧的`[1.6.4]新的功能")));
  }
};

TEST_F(UpdateInProgram, MenuEntryAsksAndStartUpStaysSilentWhenNothingIsNew) {
  {
    MessageBoxAnswerer boxes(nullptr, {});
    Start({"[SYSTEM]", "LocalID=101010100", "Update=1"});
    EXPECT_TRUE(boxes.texts.empty());
  }
  MessageBoxAnswerer boxes(form_.get(), {QMessageBox::Ok});
  form_->Menu().checkUpdate->trigger();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], U("已经安装了最新版本，无需更新！"));
  EXPECT_FALSE(boxes.formEnabled[0]);  // the control form waits for the check
  EXPECT_TRUE(form_->isEnabled());
}

TEST_F(UpdateInProgram, NewerVersionIsOfferedAtStartUpAndFromTheMenu) {
  WriteNotice();
  setenv("NIMBULUX_UPDATE_HOST", "1.6.9.4", 1);
  const std::string archive = dir_.File("Nimbulux.1.6.4.rar");
  {
    // The silent check still asks once the notice confirms a newer version.
    MessageBoxAnswerer boxes(nullptr, {QMessageBox::No});
    Start({"[SYSTEM]", "LocalID=101010100", "Update=1"});
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], U("最新版本是1.6.4\r\n\r\n[1.6.4]新的功能\r\n\r\n是否下载更新？"));
    EXPECT_FALSE(FileExists(archive));
  }
  MessageBoxAnswerer boxes(form_.get(), {QMessageBox::Yes, QMessageBox::Ok});
  form_->Menu().checkUpdate->trigger();
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[1], QString::fromStdString("Nimbulux.1.6.4.rar 已下载到 " + dir_.path()));
  EXPECT_EQ(ReadFile(archive).substr(0, 4), "Rar!");
  EXPECT_TRUE(form_->isEnabled());
}

// ---- the program itself on an X server --------------------------------------------

// The visible options dialog: the window titled with the control form's caption.
std::string FindDialog(const std::string& env) {
  for (int attempt = 0; attempt < 300; ++attempt) {
    std::string ids =
        ShellOutput(env + "xdotool search --onlyvisible --name '^Nimbulux V' 2>/dev/null");
    std::size_t start = 0;
    while (start < ids.size()) {
      const std::size_t end = ids.find('\n', start);
      const std::string id = ids.substr(start, end - start);
      if (!id.empty() && ShellOutput(env + "xdotool getwindowgeometry " + id).find("300x205") ==
                             std::string::npos) {
        return id;
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
    usleep(50000);
  }
  return {};
}

TEST(OptionsOnX11, FirstRunDialogClosedByItsCloseBoxEndsTheProgram) {
  if (!XvfbDisplay::Available() || access("/usr/bin/openbox", X_OK) != 0) {
    GTEST_SKIP() << "no Xvfb or openbox";
  }
  XvfbDisplay x("1024x768x24");
  const std::string env = "DISPLAY=" + x.display() + " ";
  // A window manager draws the close box and turns Alt+F4 into a close request.
  HelperProcess openbox(x.display(), {"/usr/bin/openbox"});
  PortalProcess portal;
  ProgramFolder folder;
  RunningProgram run = StartProgram(folder, {}, portal.base(), {{"DISPLAY", x.display()}});
  const std::string dialog = FindDialog(env);
  ASSERT_FALSE(dialog.empty()) << "the first-run dialog did not open";
  // Looked at once the dialog is painted: its middle differs from the empty screen.
  const std::string shot = folder.File("dialog.png");
  const std::string where = ShellOutput(env + "xdotool getwindowgeometry " + dialog);
  int left = 0, top = 0, width = 0, height = 0;
  std::sscanf(where.c_str() + std::min(where.find("Position: "), where.size()), "Position: %d,%d",
              &left, &top);
  std::sscanf(where.c_str() + std::min(where.find("Geometry: "), where.size()), "Geometry: %dx%d",
              &width, &height);
  for (int i = 0; i < 100; ++i) {
    ShellOutput("import -display " + x.display() + " -window root " + shot);
    const QImage painted(QString::fromStdString(shot));
    if (!painted.isNull() && width > 0 &&
        painted.pixel(left + width / 2, top + height / 2) != painted.pixel(0, 0)) {
      break;
    }
  }
  if (const char* keep = std::getenv("NIMBULUX_KEEP_SCREENSHOT")) {
    ShellOutput("cp " + shot + " '" + keep + "'");
  }
  const QImage screen(QString::fromStdString(shot));
  EXPECT_FALSE(screen.isNull());
  EXPECT_TRUE(IsRunning(run));
  // Bounded: an activation the window manager never carries out must not hang the suite.
  ShellOutput(env + "timeout 10 xdotool windowactivate --sync " + dialog + "; " + env +
              "xdotool key --clearmodifiers alt+F4");
  EXPECT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  EXPECT_FALSE(FileExists(folder.SettingsFile()));
  EXPECT_FALSE(FileExists(folder.File("config/autostart/Weather.desktop")));
}

}  // namespace
