// The widget's mouse and menu commands wired into the program's two forms, on the
// offscreen platform: the region test behind a double-click, the font and colour
// chooser applied to the widget, the background and style entries, the colour key.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>

#include "app/control_form.h"
#include "core/clock.h"
#include "core/program_paths.h"
#include "support/temp_dir.h"
#include "weather/weather_state.h"
#include "widget/font_colour_dialog.h"
#include "widget/widget_window.h"
#include "widget/window_styles.h"

namespace nimbulux {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

QApplication& App() {
  static int argc = 1;
  static char name[] = "interaction_form_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's input devices, made by the synthetic mouse events, must not
  // outlive it at exit.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Lets queued events run until done() holds (bounded, so a fault cannot hang).
bool ProcessUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 200 && !done(); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const QPointF local(at);
  QMouseEvent event(type, local, target->mapToGlobal(local), button,
                    type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// The pointer rests at window twips (x, y), then double-clicks there.
void DoubleClickAtTwips(QWidget* target, int x, int y) {
  const QPoint px(static_cast<int>(std::lround(x / 15.0)), static_cast<int>(std::lround(y / 15.0)));
  Send(target, QEvent::MouseMove, px, Qt::NoButton);
  Send(target, QEvent::MouseButtonDblClick, px, Qt::LeftButton);
}

class InteractionFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Paths().dataDir = dir.path();
    Paths().baseName = "nimbulux";
    // No refresh may reach the network; a refused connection fails at once.
    Weather().PortalBase = u"http://127.0.0.1:1";
    Weather().State = WeatherState{};
    setenv("NIMBULUX_STATE_DUMP", dir.File("state.json").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("NIMBULUX_STATE_DUMP");
    SetCurrentClock(nullptr);
  }

  // Runs action while a modal font dialog is answered by answer.
  void WithFontDialog(const std::function<void(FontColourDialog&)>& answer,
                      const std::function<void()>& action) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<FontColourDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      answered = true;
      answer(*dialog);
    });
    action();
    EXPECT_TRUE(answered);
  }

  TempDir dir;
};

TEST_F(InteractionFormTest, DoubleClickOnTheWindowPicksTheTextUnderThePointer) {
  WidgetWindow w;
  std::vector<std::pair<int, FontKind>> asked;
  QObject::connect(&w, &WidgetWindow::fontChooserRequested,
                   [&](int slot, FontKind font) { asked.emplace_back(slot, font); });
  const int off = w.TextOffset();
  w.ViewMode = 4;
  DoubleClickAtTwips(&w, 3000, off + 700);
  DoubleClickAtTwips(&w, 3000, off + 500);
  DoubleClickAtTwips(&w, 2000, 300);
  DoubleClickAtTwips(&w, 3000, off + 1500);  // the index band, not shown in view 4
  w.ViewMode = 2;
  DoubleClickAtTwips(&w, 3000, off + 1500);
  const std::vector<std::pair<int, FontKind>> expected = {{1, FontKind::Temperature},
                                                          {0, FontKind::Normal},
                                                          {2, FontKind::Normal},
                                                          {-1, FontKind::Normal},
                                                          {3, FontKind::Normal}};
  EXPECT_EQ(asked, expected);

  // The wind label records the pointer in window twips; its double-click asks the same.
  asked.clear();
  Send(w.lbWind(), QEvent::MouseMove, QPoint(10, 10), Qt::NoButton);
  Send(w.lbWind(), QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].first, 4);  // left of x 1400, above off + 890: the weather text
}

TEST_F(InteractionFormTest, RestingOnTheIndexLinesShowsTheDetailsView) {
  WidgetWindow w;
  WeatherState weather;
  weather.NowTemperature = u"5℃";
  w.RenderWidget(weather);
  int changes = 0;
  QObject::connect(&w, &WidgetWindow::viewChanged, [&] { ++changes; });
  const int off = w.TextOffset();
  const QPoint onIndex(3000 / 15, (off + 1600) / 15);
  const QPoint elsewhere(1500 / 15, (off + 1600) / 15);
  w.ViewMode = 4;  // no index band: nothing to detail
  Send(&w, QEvent::MouseMove, onIndex, Qt::NoButton);
  EXPECT_TRUE(w.NormalView);
  w.ViewMode = 2;
  Send(&w, QEvent::MouseMove, onIndex, Qt::NoButton);
  EXPECT_FALSE(w.NormalView);
  Send(&w, QEvent::MouseMove, onIndex + QPoint(3, 3), Qt::NoButton);  // no redraw again
  Send(&w, QEvent::MouseMove, elsewhere, Qt::NoButton);
  EXPECT_TRUE(w.NormalView);
  EXPECT_EQ(changes, 2);
}

TEST_F(InteractionFormTest, RightPressesOpenTheCityMenuOrTheWholeMenu) {
  WidgetWindow w;
  std::vector<bool> cityMenus;
  QObject::connect(&w, &WidgetWindow::menuRequested,
                   [&](QPoint, bool city) { cityMenus.push_back(city); });
  Send(&w, QEvent::MouseButtonPress, QPoint(130, 10), Qt::RightButton);
  Send(&w, QEvent::MouseButtonPress, QPoint(150, 80), Qt::RightButton);
  // A press on a picture counts at its place in the window: the first big picture
  // lies left of the city name.
  Send(w.Image2(0), QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton);
  w.Flags.Lock = true;  // locking stops drags only
  Send(&w, QEvent::MouseButtonPress, QPoint(130, 10), Qt::RightButton);
  EXPECT_EQ(cityMenus, (std::vector<bool>{true, false, false, true}));
}

TEST_F(InteractionFormTest, ChosenFontAndColourAreAppliedAndCancelChangesNothing) {
  ControlForm form;
  WidgetWindow* w = form.Widget();
  w->SetFonts({u"Noto Sans CJK SC", 9}, {u"Arial", 24});
  const int tempOffset = w->TempTextOffset();
  const int offset = w->TextOffset();

  WithFontDialog(
      [](FontColourDialog& d) {
        EXPECT_EQ(d.FaceBox()->currentText(), "Arial");  // preset with the slot's font
        EXPECT_EQ(d.SizeBox()->value(), 24);
        EXPECT_TRUE(d.Swatch(14)->isChecked());  // and its colour
        d.SizeBox()->setValue(36.5);             // 365 tenths: 36, halves to even
        d.Swatch(12)->click();
        d.OkButton()->click();
      },
      [&] { Q_EMIT w->fontChooserRequested(1, FontKind::Temperature); });
  EXPECT_EQ(w->TemperatureFont(), (WidgetFont{u"Arial", 36}));
  EXPECT_EQ(w->TextColours[1], 12);
  EXPECT_LT(w->TempTextOffset(), tempOffset);  // a larger font: the temperature moves up
  EXPECT_EQ(w->TextOffset(), offset);
  EXPECT_TRUE(FileExists(dir.File("state.json")));  // redrawn

  // A cancelled dialog changes nothing, but the widget is redrawn all the same.
  std::remove(dir.File("state.json").c_str());
  WithFontDialog(
      [](FontColourDialog& d) {
        d.Swatch(3)->click();
        d.SizeBox()->setValue(20);
        d.CancelButton()->click();
      },
      [&] { Q_EMIT w->fontChooserRequested(0, FontKind::Normal); });
  EXPECT_EQ(w->TextColours, (std::array<int, 5>{15, 12, 10, 8, 11}));
  EXPECT_EQ(w->NormalFont(), (WidgetFont{u"Noto Sans CJK SC", 9}));
  EXPECT_TRUE(FileExists(dir.File("state.json")));

  // A larger normal font moves the normal texts up; the bottom label takes its face.
  WithFontDialog(
      [](FontColourDialog& d) {
        d.SizeBox()->setValue(14);
        d.OkButton()->click();
      },
      [&] { Q_EMIT w->fontChooserRequested(3, FontKind::Normal); });
  EXPECT_EQ(w->NormalFont().Size, 14);
  EXPECT_LT(w->TextOffset(), offset);
  EXPECT_EQ(w->lbText()->font().family(), "Noto Sans CJK SC");

  // No text under the pointer: no dialog and no redraw.
  std::remove(dir.File("state.json").c_str());
  Q_EMIT w->fontChooserRequested(-1, FontKind::Normal);
  EXPECT_FALSE(FileExists(dir.File("state.json")));
}

TEST_F(InteractionFormTest, BackgroundEntriesCheckExactlyOneAndReadTheOwnPictureAgain) {
  ControlForm form;
  WidgetWindow* w = form.Widget();
  ControlMenu& menu = form.Menu();
  std::filesystem::create_directories(dir.File("Images"));
  auto ownPicture = [&](QRgb colour) {
    QImage image(299, 210, QImage::Format_RGB32);
    image.fill(colour);
    image.save(QString::fromStdString(dir.File("Images/bg.gif")), "PNG");
  };
  auto checked = [&] {
    int n = 0;
    for (QAction* a : menu.backgrounds) n += a->isChecked();
    return n;
  };
  // A bare spot of the widget, in no text and no picture.
  auto shownColour = [&] { return w->Snapshot().pixel(290, 190); };

  ownPicture(qRgb(200, 100, 50));
  menu.backgrounds[1]->trigger();
  EXPECT_EQ(w->Background(), BackgroundKind::Custom);
  EXPECT_EQ(shownColour(), qRgb(200, 100, 50));
  EXPECT_EQ(checked(), 1);
  ownPicture(qRgb(50, 150, 100));  // placed while the program runs: shown at once
  menu.backgrounds[1]->trigger();  // a checked entry clicked again stays checked
  EXPECT_EQ(shownColour(), qRgb(50, 150, 100));
  EXPECT_TRUE(menu.backgrounds[1]->isChecked());
  EXPECT_EQ(checked(), 1);

  ManualClock clock;
  SetCurrentClock(&clock);
  Weather().State.ExtraLines[4] = u"日出 06:30";
  Weather().State.ExtraLines[5] = u"日落 18:10";
  clock.Set(LocalDateTime{2026, 12, 7, 18, 10, 0, 1});
  menu.backgrounds[2]->trigger();
  EXPECT_EQ(w->Background(), BackgroundKind::Custom);
  EXPECT_EQ(menu.CheckedBackground(), 2);
  clock.Set(LocalDateTime{2026, 12, 7, 18, 11, 0, 1});
  menu.backgrounds[2]->trigger();
  EXPECT_NE(w->Background(), BackgroundKind::Custom);  // the built-in one (none loaded here)
  menu.backgrounds[0]->trigger();
  EXPECT_EQ(menu.CheckedBackground(), 0);
  EXPECT_EQ(checked(), 1);

  // Without the picture the own choice shows none.
  std::filesystem::remove(dir.File("Images/bg.gif"));
  menu.backgrounds[1]->trigger();
  EXPECT_EQ(w->Background(), BackgroundKind::None);
}

TEST_F(InteractionFormTest, StyleEntriesFollowTheirMarksAndDefaultResetsAndCentres) {
  ControlForm form;
  WidgetWindow* w = form.Widget();
  ControlMenu& menu = form.Menu();
  w->show();
  ProcessUntil([&] { return w->isVisible(); });

  menu.lock->trigger();
  EXPECT_TRUE(menu.lock->isChecked());
  EXPECT_TRUE(w->Flags.Lock);
  menu.onTop->trigger();
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  menu.clickThrough->trigger();
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowTransparentForInput));
  form.ApplyOpacity(102);  // the options dialog's scroll bar, while it moves
  EXPECT_NEAR(w->windowOpacity(), 0.4, 0.01);
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowTransparentForInput));

  w->SetPositionTwips(3000, 1);  // docked at the top edge
  menu.desktop->trigger();
  EXPECT_TRUE(IsDesktopEmbedded(w));
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(w->TopTwips(), 1);  // the same place
  menu.desktop->trigger();
  EXPECT_FALSE(IsDesktopEmbedded(w));
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // "顶端" still set
  EXPECT_EQ(w->LeftTwips(), 3000);

  menu.desktop->trigger();
  menu.defaultStyle->trigger();
  for (QAction* a : {menu.lock, menu.onTop, menu.clickThrough, menu.desktop}) {
    EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
  }
  EXPECT_FALSE(w->Flags.Lock);
  EXPECT_FALSE(IsDesktopEmbedded(w));
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_NEAR(w->windowOpacity(), 0.4, 0.01);  // the opacity stays
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(w->LeftTwips(), (screen.width() * 15.0 - 4500) / 2);
  EXPECT_EQ(w->TopTwips(), (screen.height() * 15.0 - 3075) / 2);
}

TEST_F(InteractionFormTest, AboutShowsTheControlFormCaptionUnderTheProgramTitle) {
  ControlForm form;
  form.setWindowTitle("Nimbulux V1.6.3");
  QString title, text;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    box->accept();
  });
  form.Menu().about->trigger();
  EXPECT_EQ(title, "Nimbulux");
  EXPECT_EQ(text, "Nimbulux V1.6.3");
}

TEST_F(InteractionFormTest, ExactBlackIsLeftOutOfTheWindowShape) {
  WidgetWindow w;
  w.show();
  ApplyWindowStyle(&w, false, 255);
  QImage picture(299, 210, QImage::Format_RGB32);
  picture.fill(qRgb(30, 60, 120));
  for (int y = 150; y < 170; ++y)
    for (int x = 200; x < 240; ++x) picture.setPixel(x, y, qRgb(0, 0, 0));
  picture.setPixel(10, 190, qRgb(1, 0, 0));  // near black is kept
  w.SetBackground(picture, BackgroundKind::Custom);
  ASSERT_TRUE(ProcessUntil([&] { return !w.mask().isEmpty(); }));
  EXPECT_FALSE(w.mask().contains(QPoint(210, 160)));
  EXPECT_FALSE(w.mask().contains(QPoint(239, 169)));
  EXPECT_TRUE(w.mask().contains(QPoint(199, 160)));
  EXPECT_TRUE(w.mask().contains(QPoint(10, 190)));

  // Gone from the picture: the whole window shows again.
  picture.fill(qRgb(30, 60, 120));
  w.SetBackground(picture, BackgroundKind::Custom);
  EXPECT_TRUE(ProcessUntil([&] { return w.mask().isEmpty(); }));
}

}  // namespace
}  // namespace nimbulux
