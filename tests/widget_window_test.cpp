// The widget window and the control menu on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/control_form.h"
#include "app/control_menu.h"
#include "support/test_application.h"
#include "widget/widget_window.h"

using namespace nimbulux;

namespace {

QApplication& App() { return test::TestApplication(); }

// The captions of a menu, separators as "-", submenus as "caption[...]".
std::string Tree(const QMenu* menu) {
  std::string out;
  for (const QAction* a : menu->actions()) {
    if (!out.empty()) out += " ";
    if (a->isSeparator()) {
      out += a->isVisible() ? "-" : "(-)";
    } else if (a->menu()) {
      out += a->text().toStdString() + "[" + Tree(a->menu()) + "]";
    } else {
      out += a->text().toStdString();
    }
  }
  return out;
}

}  // namespace

TEST(ControlMenu, TreeAndCaptions) {
  App();
  QWidget owner;
  ControlMenu menu;
  menu.Build(&owner);
  EXPECT_EQ(Tree(menu.popup),
            "刷新(&R) - 详细(&D) - 外观(&F)[默认 自选 自动] (-) "
            "风格(&S)[缺省 - 桌面 顶端 锁住 穿透] 城市(&C)[选择 -] "
            "选项(&O)[配置 - 说明 更新 - 关于] - 退出(&X)");
  menu.SetCities({{u"北京", u"101010100", true}, {u"上海", u"101020100", false}});
  menu.SetCities({{u"广州", u"505010100", false}, {u"北京", u"101010100", true}});
  EXPECT_EQ(Tree(menu.cityMenu), "选择 - 广州 北京");
  ASSERT_EQ(menu.cities.size(), 3u);
  EXPECT_EQ(menu.cities[2]->data().toString(), "101010100");
  EXPECT_TRUE(menu.cities[2]->isChecked());
  EXPECT_FALSE(menu.cities[1]->isChecked());
}

TEST(ControlMenu, AtMostOneBackgroundIsChecked) {
  App();
  QWidget owner;
  ControlMenu menu;
  menu.Build(&owner);
  menu.CheckBackground(2);
  EXPECT_EQ(menu.CheckedBackground(), 2);
  menu.CheckBackground(0);
  EXPECT_EQ(menu.CheckedBackground(), 0);
  EXPECT_FALSE(menu.backgrounds[2]->isChecked());
  menu.CheckBackground(7);  // a stored mode outside 0..2 checks nothing
  EXPECT_EQ(menu.CheckedBackground(), -1);
}

TEST(WidgetWindow, PositionIsKeptInTwips) {
  App();
  WidgetWindow w;
  w.SetTopTwips(1);  // docked: no whole pixel, but the exit routine stores 1
  w.SetLeftTwips(-1500);
  EXPECT_EQ(w.TopTwips(), 1);
  EXPECT_EQ(w.LeftTwips(), -1500);
  EXPECT_EQ(w.pos(), QPoint(-100, 0));
  EXPECT_EQ(w.size(), QSize(300, 205));
}

TEST(WidgetWindow, IndexSwitchShowsOrHidesTheLastTwoColumns) {
  App();
  WidgetWindow w;
  WeatherState weather;
  w.ViewMode = 4;
  w.SwitchIndexView(false, weather);  // no temperature: only the mode changes
  EXPECT_EQ(w.ViewMode, 2);
  EXPECT_TRUE(w.Forecast.RowUpper[3].Visible);
  weather.NowTemperature = u"5℃";
  w.SwitchIndexView(false, weather);
  EXPECT_FALSE(w.Forecast.RowUpper[4].Visible);
  EXPECT_FALSE(w.Forecast.RowLower[3].Visible);
  w.SwitchIndexView(true, weather);
  EXPECT_EQ(w.ViewMode, 4);
  EXPECT_TRUE(w.Forecast.RowLower[4].Visible);
}

TEST(WidgetWindow, RenderPrintsOverTheBackgroundAndClearsFirst) {
  App();
  WidgetWindow w;
  QImage blue(299, 210, QImage::Format_RGB32);
  blue.fill(qRgb(20, 60, 140));
  w.SetBackground(blue, BackgroundKind::Default);
  WeatherState weather;
  const QImage empty = w.Snapshot();
  weather.CityName = u"北京";
  weather.NowTemperature = u"-12℃";
  const RenderPlan plan = w.RenderWidget(weather);
  ASSERT_FALSE(plan.Texts.empty());
  EXPECT_EQ(plan.Texts.front().text, u"北京");
  const QImage drawn = w.Snapshot();
  EXPECT_NE(drawn, empty);
  // Light temperature digits near x = 2730 twips (182 px), y = 600 twips + offset.
  int light = 0;
  for (int y = 35; y < 80; ++y)
    for (int x = 180; x < 300; ++x) light += qGray(drawn.pixel(x, y)) > 150;
  EXPECT_GT(light, 50);
  // A redraw without the texts leaves the background alone again.
  w.RenderWidget(WeatherState{});
  EXPECT_EQ(w.Snapshot(), empty);
  // The window keeps a dark fill where no picture covers it, never the see-through black.
  EXPECT_NE(drawn.pixel(299, 100), qRgb(0, 0, 0));
}

TEST(WidgetWindow, OffsetsAndTheBottomLabelFollowTheFonts) {
  App();
  WidgetWindow w;
  w.SetFonts(WidgetFont{u"Noto Sans CJK SC", 9}, WidgetFont{u"Arial", 24});
  EXPECT_EQ(w.lbText()->font().family(), "Noto Sans CJK SC");
  const int small = w.TextOffset();
  const int smallTemp = w.TempTextOffset();
  w.SetFonts(WidgetFont{u"Noto Sans CJK SC", 14}, WidgetFont{u"Arial", 36});
  EXPECT_LT(w.TextOffset(), small);  // a larger font moves the texts up
  EXPECT_LT(w.TempTextOffset(), smallTemp);
  EXPECT_GT(w.MeasureNormal(u"星期一"), w.MeasureNormal(u"一"));
}

TEST(ControlForm, ReadmeViewIsPortraitAndLoadsTheTextOnce) {
  App();
  ControlForm form;
  const QSize landscape = form.size();
  QPlainTextEdit* text5 = form.findChild<QPlainTextEdit*>("Text5");
  ASSERT_NE(text5, nullptr);
  QSize during;
  QString shown;
  QTimer::singleShot(0, [&] {
    during = form.size();
    shown = text5->toPlainText();
    form.close();
  });
  form.Menu().readme->trigger();
  EXPECT_EQ(during, landscape.transposed());
  EXPECT_EQ(form.size(), landscape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(text5->isVisible());
  EXPECT_TRUE(shown.startsWith(QString::fromUtf8("Nimbulux 天气小部件")));
  EXPECT_TRUE(shown.contains(QString::fromUtf8("autoexit=秒数")));
  // Loaded once: a second opening shows what the first loaded.
  text5->setPlainText("kept");
  QTimer::singleShot(0, [&] { form.reject(); });
  form.Menu().readme->trigger();
  EXPECT_EQ(text5->toPlainText(), "kept");
}
