#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

#include "app/command_line.h"
#include "app/platform_choice.h"
#include "app/startup_rules.h"
#include "widget/refresh_cycle.h"
#include "widget/state_dump.h"
#include "widget/widget_layout.h"

using namespace nimbulux;

namespace {

LocalDateTime At(int hour, int minute, int second = 0, int day = 7) {
  LocalDateTime t;
  t.year = 2026;
  t.month = 12;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

}  // namespace

TEST(CommandLine, SeparatorsAndCaseDoNotMatter) {
  for (const char16_t* line : {u"-AUTOEXIT=5", u"/autoexit=5", u"autoexit=5", u"x AutoExit=5"}) {
    const CommandLineOptions o = ParseCommandLine(line);
    EXPECT_TRUE(o.AutoExit) << ToUtf8(line);
    EXPECT_EQ(o.AutoExitDelayMs, 5000) << ToUtf8(line);
    EXPECT_EQ(WidgetTimerIntervalMs(o), 5000);
  }
}

TEST(CommandLine, AutoexitDelayOutsideTheTimerRangeKeepsThirtySeconds) {
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit=70")), 30000);
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit")), 30000);
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit=x")), 30000);
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit=65.5")), 65500);
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit=0.0004")), 30000);
  EXPECT_EQ(WidgetTimerIntervalMs(ParseCommandLine(u"autoexit=5")), 5000);
  // Without "autoexit" a delay never shortens the tick.
  EXPECT_EQ(WidgetTimerIntervalMs(CommandLineOptions{false, 5000, u"", false}), 30000);
  // A value too large for the count is refused; the earlier one stays.
  EXPECT_EQ(ParseCommandLine(u"autoexit=3 autoexit=9e9").AutoExitDelayMs, 3000);
}

TEST(CommandLine, LocalOptionIsCutAtSeparatorsAndFixesTheCity) {
  CommandLineOptions o = ParseCommandLine(u"local=abc-def");
  EXPECT_EQ(o.LocalArgument, u"abc");
  EXPECT_TRUE(o.CityFixed);
  o = ParseCommandLine(u"LOCAL=Shang Hai");
  EXPECT_EQ(o.LocalArgument, u"shang");
  o = ParseCommandLine(u"local");
  EXPECT_FALSE(o.CityFixed);
  EXPECT_EQ(ParseCommandLine(u"local=101010100 local=上海").LocalArgument, u"上海");
  EXPECT_FALSE(ParseCommandLine(u"").AutoExit);
}

TEST(CommandLine, ProgramNameThatIsACityCode) {
  EXPECT_EQ(CityFromProgramName(u"101020100"), u"101020100");
  EXPECT_EQ(CityFromProgramName(u"nimbulux"), u"");
  EXPECT_EQ(CityFromProgramName(u"100000000"), u"");
  EXPECT_EQ(CityFromProgramName(u"999999999"), u"");
  EXPECT_EQ(CityFromProgramName(u"99999999999"), u"");
}

TEST(StartupRules, HorizontalPositionMayLieAtMost150PixelsOutside) {
  // Virtual screen from -1920 to 1920 pixels.
  EXPECT_FALSE(StoredLeftTwips(u"", -1920, 3840));
  EXPECT_FALSE(StoredLeftTwips(u"-31800", -1920, 3840));       // 200 px left of it
  EXPECT_EQ(StoredLeftTwips(u"-30300", -1920, 3840), -30300);  // 100 px left
  EXPECT_EQ(StoredLeftTwips(u"26550", -1920, 3840), 26550);    // right edge minus 150 px
  EXPECT_FALSE(StoredLeftTwips(u"26565", -1920, 3840));
  EXPECT_EQ(StoredLeftTwips(u"1234.5", 0, 1024), 1234.5);
}

TEST(StartupRules, VerticalPositionIsCorrectedNotIgnored) {
  EXPECT_FALSE(StoredTopTwips(u"", 768));
  EXPECT_EQ(StoredTopTwips(u"-500", 768), 1.0);
  EXPECT_EQ(StoredTopTwips(u"0.5", 768), 1.0);
  EXPECT_EQ(StoredTopTwips(u"abc", 768), 1.0);  // reads as 0
  EXPECT_EQ(StoredTopTwips(u"3000", 768), 3000.0);
  EXPECT_EQ(StoredTopTwips(u"10020", 768), 10020.0);  // 668 px + 100 = 768: fits
  EXPECT_EQ(StoredTopTwips(u"10021", 768), (384 - 100) * 15.0);
}

TEST(StartupRules, EachLaterCitySourceOverridesTheEarlier) {
  std::vector<Text> asked;
  auto lookUp = [&](TextView name) {
    asked.emplace_back(name);
    return name == u"shanghai" ? Text(u"101020100") : Text(u"");
  };
  EXPECT_EQ(ChooseCurrentCity(u"101010100", u"", u"", lookUp), u"101010100");
  EXPECT_EQ(ChooseCurrentCity(u"101010100", u"101280101", u"", lookUp), u"101280101");
  EXPECT_EQ(ChooseCurrentCity(u"101010100", u"101280101", u"101190101", lookUp), u"101190101");
  EXPECT_EQ(ChooseCurrentCity(u"101010100", u"", u"shanghai", lookUp), u"101020100");
  EXPECT_EQ(ChooseCurrentCity(u"101010100", u"", u"nowhere", lookUp), u"101010100");
  EXPECT_EQ(ChooseCurrentCity(u"", u"", u"", lookUp), u"");
  EXPECT_EQ(asked, (std::vector<Text>{u"shanghai", u"nowhere"}));
}

TEST(StartupRules, WaylandSessionsRunThroughXWaylandUnlessAPlatformWasChosen) {
  EXPECT_TRUE(ChoosePlatform(nullptr, "wayland-0", {}).useXcb);
  EXPECT_TRUE(ChoosePlatform("", "wayland-0", {"autoexit"}).needsXServer);
  EXPECT_FALSE(ChoosePlatform(nullptr, nullptr, {}).useXcb);
  EXPECT_TRUE(ChoosePlatform(nullptr, nullptr, {}).needsXServer);
  const PlatformChoice chosen = ChoosePlatform("wayland", "wayland-0", {});
  EXPECT_FALSE(chosen.useXcb);
  EXPECT_FALSE(chosen.needsXServer);
  EXPECT_FALSE(ChoosePlatform(nullptr, "wayland-0", {"-platform", "offscreen"}).needsXServer);
  EXPECT_TRUE(ChoosePlatform("offscreen", nullptr, {"-platform", "xcb"}).needsXServer);
}

TEST(ForecastWindow, EdgesAreIncludedAndTextsCompared) {
  const Text w = RefreshCycle{}.ForecastWindows;
  EXPECT_TRUE(InForecastWindow(w, At(8, 0)));
  EXPECT_TRUE(InForecastWindow(w, At(9, 0)));
  EXPECT_FALSE(InForecastWindow(w, At(9, 1)));
  EXPECT_FALSE(InForecastWindow(w, At(7, 59)));
  EXPECT_TRUE(InForecastWindow(w, At(18, 30)));
  EXPECT_FALSE(InForecastWindow(u"2300-0100", At(23, 30)));
  EXPECT_FALSE(InForecastWindow(u"2300-0100", At(0, 30)));
  EXPECT_FALSE(InForecastWindow(u"0800", At(8, 0)));
  EXPECT_TRUE(InForecastWindow(u"0800-0900-1000", At(9, 0)));
  EXPECT_FALSE(InForecastWindow(u"0800-0900-1000", At(9, 30)));
  EXPECT_FALSE(InForecastWindow(u"", At(8, 30)));
  EXPECT_TRUE(InForecastWindow(u";;1200-1300;", At(12, 0)));
}

TEST(DayNight, SunriseAndSunsetMinutesAreDay) {
  EXPECT_FALSE(IsDaytime(u"06:59", u"日出 07:00", u"日落 17:30"));
  EXPECT_TRUE(IsDaytime(u"07:00", u"日出 07:00", u"日落 17:30"));
  EXPECT_TRUE(IsDaytime(u"17:30", u"日出 07:00", u"日落 17:30"));
  EXPECT_FALSE(IsDaytime(u"17:31", u"日出 07:00", u"日落 17:30"));
  EXPECT_FALSE(IsDaytime(u"12:00", u"", u""));
}

namespace {

class RecordingHost : public RefreshHost {
 public:
  std::vector<std::string> calls;
  void FetchForecast() override { calls.push_back("forecast"); }
  void FetchConditions() override { calls.push_back("conditions"); }
  void ShowDayBackground(bool day) override { calls.push_back(day ? "day" : "night"); }
  void RenderAfterRefresh() override { calls.push_back("render"); }
  void ShowWaitPicture() override { calls.push_back("wait"); }
  void SetRefreshTooltip(const Text& t) override { calls.push_back("tip " + ToUtf8(t)); }
  void ShowWithoutActivating() override { calls.push_back("show"); }
  void TrimMemory() override { calls.push_back("trim"); }
};

}  // namespace

TEST(RefreshWeather, StepsRunInOrderAndStampTheTime) {
  ManualClock clock;
  clock.Set(At(17, 5, 40));
  RefreshCycle cycle;
  WeatherState w;
  RecordingHost host;
  cycle.MinutesSinceRefresh = 3;
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"forecast", "conditions", "render", "wait",
                                                  "tip 17:05 刷新(30)", "trim"}));
  EXPECT_EQ(cycle.MinutesSinceRefresh, 0);
  EXPECT_FALSE(cycle.RefreshBusy);
  EXPECT_EQ(cycle.LastRefreshTime.hour, 17);
  EXPECT_EQ(cycle.LastRefreshTime.second, 40);
}

TEST(RefreshWeather, ClockDrivenRefreshFetchesForecastOnlyInsideWindows) {
  ManualClock clock;
  RefreshCycle cycle;
  WeatherState w;
  w.TodayForecast[0] = u"晴";
  RecordingHost host;
  clock.Set(At(12, 0));
  cycle.MinutesSinceRefresh = cycle.RefreshInterval;  // the regular clock moment
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls.front(), "conditions");
  host.calls.clear();
  cycle.MinutesSinceRefresh = cycle.RefreshInterval;
  clock.Set(At(8, 30));
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls.front(), "forecast");
  host.calls.clear();
  clock.Set(At(12, 0));  // started by the user
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls.front(), "forecast");
}

TEST(RefreshWeather, AutomaticBackgroundChangesOnlyWithTheState) {
  ManualClock clock;
  RefreshCycle cycle;
  cycle.AutoBackground = true;
  cycle.Front = 1;
  WeatherState w;
  w.TodayForecast[0] = u"晴";
  w.ExtraLines[4] = u"日出 07:00";
  w.ExtraLines[5] = u"日落 17:30";
  RecordingHost host;
  auto backgrounds = [&] {
    std::vector<std::string> b;
    for (auto& c : host.calls)
      if (c == "day" || c == "night") b.push_back(c);
    host.calls.clear();
    return b;
  };
  clock.Set(At(6, 59));
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls.back(), "trim");
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "show"), host.calls.end());
  EXPECT_EQ(backgrounds(), std::vector<std::string>{"night"});
  RefreshWeather(cycle, w, host, clock);
  EXPECT_TRUE(backgrounds().empty());
  clock.Set(At(7, 0));
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(backgrounds(), std::vector<std::string>{"day"});
  EXPECT_EQ(cycle.DayNightState, 0);
}

TEST(RefreshWeather, AFailingStepDoesNotStopTheOthers) {
  struct Throwing : RecordingHost {
    void FetchForecast() override { throw std::runtime_error("network"); }
  } host;
  ManualClock clock;
  RefreshCycle cycle;
  WeatherState w;
  RefreshWeather(cycle, w, host, clock);
  EXPECT_EQ(host.calls.front(), "conditions");
  EXPECT_FALSE(cycle.RefreshBusy);
}

TEST(TimerTick, RefreshesWhenDataIsMissingOrTheIntervalHasPassed) {
  ManualClock clock;
  RefreshCycle cycle;
  WeatherState w;
  cycle.LastRefreshTime = At(10, 0, 50);
  clock.Set(At(10, 0, 59));
  EXPECT_EQ(TimerTick(cycle, w, false, clock), TickAction::Refresh);  // no forecast held
  cycle.RefreshBusy = true;
  EXPECT_EQ(TimerTick(cycle, w, false, clock), TickAction::None);
  cycle.RefreshBusy = false;
  w.TodayForecast[0] = u"晴";
  w.NowTemperature = u"5℃";
  clock.Set(At(10, 29, 59));
  EXPECT_EQ(TimerTick(cycle, w, true, clock), TickAction::None);
  EXPECT_EQ(cycle.MinutesSinceRefresh, 29);
  clock.Set(At(10, 30, 0));
  EXPECT_EQ(TimerTick(cycle, w, true, clock), TickAction::Refresh);
  EXPECT_EQ(cycle.MinutesSinceRefresh, 30);
  // Conditions missing although the forecast page came.
  w.NowTemperature.clear();
  clock.Set(At(10, 1));
  EXPECT_EQ(TimerTick(cycle, w, true, clock), TickAction::Refresh);
  EXPECT_EQ(TimerTick(cycle, w, false, clock), TickAction::None);
  cycle.AutoExit = true;
  EXPECT_EQ(TimerTick(cycle, w, false, clock), TickAction::SaveAndExit);
}

TEST(TimerTick, MinutesCountAcrossDaysAndSurviveAClockSetBack) {
  EXPECT_EQ(MinutesBetween(At(23, 59, 59, 7), At(0, 0, 0, 8)), 1);
  EXPECT_EQ(MinutesBetween(At(10, 0, 0, 1), At(10, 0, 0, 31)), 32767);
  ManualClock clock;
  RefreshCycle cycle;
  WeatherState w;
  w.TodayForecast[0] = u"晴";
  w.NowTemperature = u"5℃";
  cycle.LastRefreshTime = At(12, 0);
  clock.Set(At(11, 0));
  EXPECT_EQ(TimerTick(cycle, w, true, clock), TickAction::Refresh);
}

namespace {

WeatherState SampleWeather() {
  WeatherState w;
  w.CityName = u"北京";
  w.DateWords = {u"2026年12月7日", u"星期一", u"农历十月廿八"};
  w.PageNotes = {u"今日天气", u"晴"};
  w.NowTemperature = u"-3℃";
  w.TodayForecast = {u"晴转多云", u" 5", u"-4 ", u"北风3-4级"};
  w.NowDetails = {u"湿度40%", u"北风3级", u"气压1010"};
  w.NowTimeText = u"天气实况(17:05)";
  for (int i = 0; i < 21; ++i) w.ExtraLines[i] = u"L" + DecimalText(i);
  return w;
}

std::vector<Text> TextsAt(const RenderPlan& plan, int x) {
  std::vector<Text> out;
  for (const auto& t : plan.Texts)
    if (t.x == x) out.push_back(t.text);
  return out;
}

}  // namespace

TEST(PlanRender, TemperatureEndsAtTheSameRightEdge) {
  WeatherState w = SampleWeather();
  RenderInput in;
  in.Weather = &w;
  in.TempTextOffset = 100;
  auto temperature = [&](const Text& t) {
    w.NowTemperature = t;
    for (const auto& p : PlanRender(in, nullptr).Texts)
      if (p.font == FontKind::Temperature) return p;
    return PrintedText{};
  };
  EXPECT_EQ(temperature(u"-12℃").x, 2730);
  EXPECT_EQ(temperature(u"-3℃").x, 2865);
  EXPECT_EQ(temperature(u"-3℃").y, 700);
  EXPECT_EQ(temperature(u"-3℃").colour, 14);
  EXPECT_EQ(temperature(u"℃").text, u"");
  EXPECT_EQ(temperature(u"").text, u"");
}

TEST(PlanRender, NormalViewPrintsEverythingInOrder) {
  const WeatherState w = SampleWeather();
  RenderInput in;
  in.Weather = &w;
  in.TextOffset = -10;
  in.ViewMode = 2;
  in.Image1Tags = {u"周一", u"周二", u"周三", u"周四", u"周五"};
  const RenderPlan plan = PlanRender(in, [](TextView t) { return 180.0 * t.size(); });
  ASSERT_GE(plan.Texts.size(), 4u);
  EXPECT_EQ(plan.Texts[0], (PrintedText{1440, 390, u"北京", 10, FontKind::Normal}));
  EXPECT_EQ(plan.Texts[1], (PrintedText{400, 2360, u"2026年12月7日 星期一", 16, FontKind::Normal}));
  EXPECT_EQ(plan.Texts[2].text, u"农历十月廿八");
  // The first note is too long; the second is short enough.
  EXPECT_EQ(plan.Texts[3], (PrintedText{2380, 2360, u"晴", 11, FontKind::Normal}));
  EXPECT_EQ(TextsAt(plan, 360), (std::vector<Text>{u"晴转多云", u"5/-4℃"}));
  EXPECT_EQ(TextsAt(plan, 2800), (std::vector<Text>{u"L0", u"L1", u"L2", u"L3"}));
  EXPECT_EQ(plan.ShowColumns0To2, std::optional<bool>(true));
  // Labels are centred on their columns; columns 3 and 4 belong to the index band.
  EXPECT_EQ(TextsAt(plan, 540), (std::vector<Text>{u"周一"}));  // the empty lower label sits at 720
  EXPECT_EQ(TextsAt(plan, 1290).front(), u"周二");
  EXPECT_EQ(TextsAt(plan, 2040).front(), u"周三");
  EXPECT_TRUE(TextsAt(plan, 2790).empty());
  EXPECT_EQ(plan.Texts.back().y, -10 + 2055);
}

TEST(PlanRender, DetailsViewReplacesColumnsAndTheirLabels) {
  const WeatherState w = SampleWeather();
  RenderInput in;
  in.Weather = &w;
  in.ViewMode = 2;
  in.NormalView = false;
  const RenderPlan plan = PlanRender(in, nullptr);
  EXPECT_EQ(TextsAt(plan, 2800), (std::vector<Text>{u"L11", u"L13", u"L15", u"L17"}));
  EXPECT_EQ(TextsAt(plan, 600), (std::vector<Text>{u"L6", u"L7", u"L8", u"L9"}));
  EXPECT_EQ(plan.ShowColumns0To2, std::optional<bool>(false));
  for (const auto& t : plan.Texts) EXPECT_TRUE(t.x == 600 || t.x == 2800 || t.y != 2055) << t.x;
}

TEST(PlanRender, ColumnLabels) {
  WeatherState w = SampleWeather();
  w.NowTemperature.clear();
  w.TodayForecast[0].clear();
  RenderInput in;
  in.Weather = &w;
  in.ViewMode = 2;  // no temperature: no index band, all five columns labelled
  in.Image1Tags[0] = u"wide";
  in.Image3Tags[4] = u"odd";
  const RenderPlan plan = PlanRender(in, [](TextView t) {
    if (t == u"wide") return 720.0;
    if (t == u"odd") return 91.0;
    return 0.0;
  });
  EXPECT_FALSE(plan.ShowColumns0To2.has_value());
  EXPECT_EQ(TextsAt(plan, 360), std::vector<Text>{u"wide"});
  // (720 - 91) / 2 + 360 + 3000 = 3674.5, to the even neighbour.
  EXPECT_EQ(TextsAt(plan, 3674), std::vector<Text>{u"odd"});
  int labels = 0;
  for (const auto& t : plan.Texts) labels += t.y == 1200 || t.y == 2055;
  EXPECT_EQ(labels, 10);
  EXPECT_TRUE(TextsAt(plan, 2800).empty());
}

TEST(DrawShadowText, ShadowIsOneTwipPixelDownRightInNearBlack) {
  const std::array<int, 5> colours{15, 14, 10, 8, 11};
  auto prints = ShadowTextPrints(PrintedText{100, 200, u"x", kGeneralColour}, colours);
  EXPECT_EQ(prints[0].x, 115);
  EXPECT_EQ(prints[0].y, 215);
  EXPECT_EQ(prints[0].rgb, 0x080000u);
  EXPECT_EQ(prints[1].rgb, 0xFFFFFFu);
  EXPECT_EQ(ShadowTextPrints(PrintedText{0, 0, u"x", 8}, colours)[1].rgb, 0x808080u);
  EXPECT_EQ(ShadowTextPrints(PrintedText{0, 0, u"x", 7}, colours)[1].rgb, 0xC0C0C0u);
}

TEST(Offsets, FromTheHeightOfTheDegreeSign) {
  EXPECT_EQ(TextOffsetFor(180), 0);
  EXPECT_EQ(TextOffsetFor(255), -38);  // -37.5 to the even neighbour
  EXPECT_EQ(TextOffsetFor(225), -22);  // -22.5
  EXPECT_EQ(TempTextOffsetFor(555 - 0.5), 0);
  EXPECT_EQ(TempTextOffsetFor(405), 150);
}

TEST(TrayTooltip, PrefixAndDetails) {
  WeatherState w;
  EXPECT_EQ(TrayTooltip(w), u"Nimbulux");
  w.CityName = u"北京";
  EXPECT_EQ(TrayTooltip(w), u"[北京] ");
  w = SampleWeather();
  EXPECT_EQ(TrayTooltip(w), u"[北京] 天气实况(17:05)  -3℃\r湿度40% 北风3级 气压1010");
  w.CityName = Text(100, u'城');
  const Text cut = TrayTooltip(w);
  EXPECT_EQ(cut, u"[" + Text(63, u'城'));  // 127 bytes of GBK at most
}

TEST(StateDump, JsonCarriesEveryFieldEscaped) {
  StateDump d;
  d.City = u"101010100";
  d.Weather = SampleWeather();
  d.Weather.CityName = u"a\"b\\c";
  d.Image2[0].Picture = u"/m/i/icon_weather/42x30/d01";
  d.Image1[3].Visible = false;
  d.Texts.push_back(PrintedText{1, 2, u"x\ry", 16, FontKind::Temperature});
  d.TrayTooltip = u"t";
  d.TrayIconBytes = std::string("\x00\xff\x10", 3);
  d.TrayValue = -3;
  d.LeftTwips = 1234.5;
  d.Topmost = true;
  const std::string json = StateDumpJson(d);
  QJsonParseError error;
  const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
  // End-to-end tests and scripts read these names.
  EXPECT_EQ(j.keys(),
            (QStringList{"Image1", "Image2", "Image3", "background", "city", "lbText", "lbWind",
                         "normalView", "showSeveralCities", "texts", "trayIcon", "trayTooltip",
                         "trayValue", "viewMode", "weather", "window", "windowIcon"}));
  EXPECT_EQ(j["city"].toString(), "101010100");
  EXPECT_EQ(j["weather"]["CityName"].toString(), "a\"b\\c");
  EXPECT_EQ(j["weather"]["NowDetails"].toArray(), (QJsonArray{"湿度40%", "北风3级", "气压1010"}));
  EXPECT_EQ(j["viewMode"].toInt(), 4);
  EXPECT_TRUE(j["normalView"].isBool());
  // The big pictures carry no visibility or tag; the small ones do.
  EXPECT_EQ(j["Image2"][0].toObject(),
            (QJsonObject{{"picture", "/m/i/icon_weather/42x30/d01"}, {"tooltip", ""}}));
  EXPECT_EQ(j["Image1"][3].toObject(),
            (QJsonObject{{"visible", false}, {"picture", ""}, {"tag", ""}, {"tooltip", ""}}));
  EXPECT_EQ(j["Image3"].toArray().size(), 5);
  EXPECT_EQ(
      j["texts"][0].toObject(),
      (QJsonObject{{"x", 1}, {"y", 2}, {"text", "x\ry"}, {"colour", 16}, {"font", "temperature"}}));
  EXPECT_EQ(j["trayIcon"].toString(), "00ff10");
  EXPECT_EQ(j["trayValue"].toInt(), -3);
  EXPECT_EQ(j["window"].toObject(),
            (QJsonObject{{"left", 1234.5}, {"top", 0}, {"topmost", true}, {"visible", false}}));
}
