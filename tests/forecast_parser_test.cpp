#include <gtest/gtest.h>

#include <map>

#include "weather/forecast_parser.h"

namespace nimbulux {
namespace {

const Text kIcon = u"/m/i/icon_weather/42x30/";

// A cleaned page: lines of "x" with the given lines set, then optionally the day table.
Text Page(std::size_t lineCount, const std::map<std::size_t, Text>& set,
          const std::vector<Text>& table = {}) {
  std::vector<Text> lines(lineCount, u"x");
  for (const auto& [n, value] : set) lines[n] = value;
  Text text = Join(lines, u"\n");
  if (!table.empty()) text += u"FutWeather" + Join(table, u"\n");
  return text;
}

std::map<std::size_t, Text> DayToday(const Text& nightWind = u"北风",
                                     const Text& nightForce = u"3-4级") {
  return {{20, u"白天"},
          {22, u"src=" + kIcon + u"d01.gif alt=晴 "},
          {23, u"src=" + kIcon + u"n02.gif alt=阴 "},
          {24, u"晴"},
          {25, u"阴"},
          {26, u"高温 12℃"},
          {27, u"低温 -3℃"},
          {28, u"北风"},
          {29, nightWind},
          {30, u"3-4级"},
          {31, nightForce}};
}

std::map<std::size_t, Text> NightToday(const Text& mark) {
  return {{20, mark},    {21, u"src=" + kIcon + u"n01.gif alt=晴 "},
          {22, u"多云"}, {23, u"低温 -3℃"},
          {24, u"北风"}, {25, u"3-4级"}};
}

class ParserTest : public ::testing::Test {
 protected:
  WeatherModule module;
  ForecastView controls;
  ForecastOptions options;

  ForecastLines Parse(const Text& text, const SummaryFetcher& fetch = nullptr) {
    module.PendingForecastText = text;
    for (ForecastPicture& box : controls.TodayPictures) box.ShowWait(std::nullopt);
    return ParseForecastText(module, options, fetch, controls);
  }
  const std::array<Text, 4>& Today() const { return module.State.TodayForecast; }
};

TEST_F(ParserTest, DayLayout) {
  Parse(Page(60, DayToday()));
  EXPECT_EQ(Today()[0], u"晴转阴");
  EXPECT_EQ(Today()[1], u"12");
  EXPECT_EQ(Today()[2], u"-3");
  EXPECT_EQ(Today()[3], u"北3-4级");
  EXPECT_EQ(controls.WindTooltip, u"北3-4级");
  EXPECT_EQ(controls.TodayPictures[0].IconName, kIcon + u"d01");
  EXPECT_EQ(controls.TodayPictures[1].IconName, kIcon + u"n02");
  EXPECT_TRUE(module.PendingForecastText.empty());

  Parse(Page(60, DayToday(u"南风", u"微风")));
  EXPECT_EQ(Today()[3], u"北3-4级转南微风");
  // Halves that agree only when joined: the night's half is the one shown.
  Parse(Page(60, DayToday(u"北", u"风3-4级")));
  EXPECT_EQ(Today()[3], u"北风3-4级");
}

TEST_F(ParserTest, NightLayoutForBothNightWords) {
  for (const Text mark : {u"夜间", u"晚上"}) {
    module.State = {};
    Parse(Page(60, NightToday(mark)));
    EXPECT_EQ(Today()[0], u"多云");
    EXPECT_EQ(Today()[1], u"");
    EXPECT_EQ(Today()[2], u"-3");
    EXPECT_EQ(Today()[3], u"(北3-4级) ");
    EXPECT_EQ(controls.TodayPictures[0].IconName, kIcon + u"n01");
    EXPECT_EQ(controls.TodayPictures[1].Kind, PictureKind::Wait);  // keeps the placeholder
  }
  // Any other word is the day layout.
  module.State = {};
  Parse(Page(60, NightToday(u"白天")));
  EXPECT_EQ(Today()[0], u"北风转3-4级");
}

TEST_F(ParserTest, IndexLinesSunAndHeaderLines) {
  auto day = DayToday();
  day[8] = u"日出 07:21 | 日落 16:50";
  for (std::size_t i = 0; i < 4; ++i) {
    day[107 + 2 * i] = u"穿衣指数" + DecimalText(static_cast<long long>(i)) + u"：冷 建议";
    day[115 + 2 * i] = u"紫外线指数：弱 " + DecimalText(static_cast<long long>(i));
  }
  Parse(Page(130, day));
  const auto& extra = module.State.ExtraLines;
  EXPECT_EQ(extra[0], u"穿衣：冷");
  EXPECT_EQ(extra[11], u"紫外：弱");
  EXPECT_EQ(extra[17], u"紫外：弱");
  EXPECT_EQ(extra[4], u"日出 07:21");
  EXPECT_EQ(extra[5], u"日落 16:50");
  EXPECT_EQ(extra[7], u"日出 07:21 | 日落 16:50");
  EXPECT_EQ(extra[6], u"x");
  EXPECT_EQ(extra[10], u"");
  EXPECT_TRUE(module.ForecastPageReceived);

  // At night the index lines sit seven lines further down.
  auto night = NightToday(u"夜间");
  night[114] = u"感冒指数：易发 注意";
  night[122] = u"夜生活指数：适宜 ";
  Parse(Page(130, night));
  EXPECT_EQ(extra[0], u"感冒：易发");
  EXPECT_EQ(extra[11], u"夜生：适宜");
}

TEST_F(ParserTest, PagesWithoutTheFullIndexSection) {
  // 52 to 106 lines: the index lines do not exist, lines 7 to 10 still do.
  for (std::size_t count : {52u, 106u}) {
    module = {};
    auto day = DayToday();
    day[8] = u"日出 07:21 | 日落 16:50";
    Parse(Page(count, day));
    const auto& extra = module.State.ExtraLines;
    for (std::size_t i : {0u, 1u, 2u, 3u, 11u, 13u, 15u, 17u}) EXPECT_EQ(extra[i], u"") << i;
    EXPECT_EQ(extra[4], u"日出 07:21");
    EXPECT_EQ(extra[9], u"x");
    EXPECT_EQ(module.ForecastPageReceived, count > 101);
  }
  // 51 lines or fewer: no index step at all.
  module = {};
  auto day = DayToday();
  day[8] = u"日出 07:21 | 日落 16:50";
  Parse(Page(51, day));
  EXPECT_EQ(module.State.ExtraLines[4], u"");
}

TEST_F(ParserTest, EmptyTextLeavesEverythingAndKeepsThePageFlag) {
  module.ForecastPageReceived = true;
  module.State.TodayForecast[0] = u"old";
  Parse(u"");
  EXPECT_TRUE(module.ForecastPageReceived);
  EXPECT_EQ(Today()[0], u"old");  // the parse itself clears nothing
  EXPECT_EQ(controls.TodayPictures[0].Kind, PictureKind::Wait);
  EXPECT_EQ(controls.TodayPictures[1].Kind, PictureKind::Wait);
}

std::vector<Text> Table(const Text& t4, const Text& t5) {
  return {u"",
          u"星期一",
          u"src=" + kIcon + u"d01.gif a src=" + kIcon + u"n07.gif b",
          u"小雨",
          t4,
          t5,
          u"北风小于3级转南风大于5级"};
}

TEST_F(ParserTest, FallbackToTheFirstDayOfTheTable) {
  for (const auto& [t4, t5] : {std::pair<Text, Text>{u"高温：12℃", u"低温：5℃"},
                               std::pair<Text, Text>{u"低温：5℃", u"高温：12℃"}}) {
    for (int save : {0, 1, 2}) {
      module = {};
      options.SaveIcons = save;
      Parse(Page(23, {{20, u"白天"}}, Table(t4, t5)));
      EXPECT_EQ(Today()[0], u"小雨");
      EXPECT_EQ(Today()[1], u"12");
      EXPECT_EQ(Today()[2], u"5");
      EXPECT_EQ(Today()[3], u"北风<3级转南风>5级");
      const Text size = save == 1 ? u"42x30" : u"21x15";
      EXPECT_EQ(controls.TodayPictures[0].IconName, u"/m/i/icon_weather/" + size + u"/d01");
      EXPECT_EQ(controls.TodayPictures[1].IconName, u"/m/i/icon_weather/" + size + u"/n07");
    }
  }
}

TEST_F(ParserTest, RowRebuiltFromTheFirstBlock) {
  auto day = DayToday();
  const std::size_t b = 6 + 26;  // the first day record by day
  day[b] = u"星期二";
  day[b + 3] = u"src=" + kIcon + u"d03.gif";
  day[b + 4] = u"src=" + kIcon + u"n04.gif";
  day[b + 5] = u"多云";
  day[b + 6] = u"多云";
  day[b + 7] = u"高温 8℃";
  day[b + 8] = u"低温 1℃";
  day[b + 9] = u"东南风";
  day[b + 10] = u"东南风";
  day[b + 11] = u"小于3级";
  day[b + 12] = u"小于3级";
  const ForecastLines lines = Parse(Page(60, day));
  ASSERT_GE(lines.RowLines.size(), 7u);
  EXPECT_EQ(lines.RowLines[2], u"src=" + kIcon + u"d03.gif src=" + kIcon + u"n04.gif");
  EXPECT_EQ(lines.RowLines[4], u" 高温 8℃");
  EXPECT_EQ(controls.RowUpper[0].Tag, u"二");
  EXPECT_EQ(controls.RowLower[0].Tag, u"8/1");
  EXPECT_EQ(controls.RowUpper[0].Tooltip, u"多云 (东南<3级)");
  EXPECT_EQ(controls.RowLower[0].Tooltip, u"多云 (东南<3级)");
  EXPECT_EQ(controls.RowUpper[0].IconName, u"/m/i/icon_weather/21x15/d03");
  EXPECT_EQ(controls.RowLower[0].IconName, u"/m/i/icon_weather/21x15/n04");
  // Day 1 has the default "x" lines: a pair of equal texts and no picture.
  EXPECT_EQ(controls.RowUpper[1].Tooltip, u"x (xx)");
  EXPECT_EQ(controls.RowUpper[1].Kind, PictureKind::None);
}

TEST_F(ParserTest, SlotVisibility) {
  options.ViewMode = 2;
  Parse(Page(60, DayToday()));
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(controls.RowUpper[i].Visible, i <= 2) << i;
    EXPECT_EQ(controls.RowLower[i].Visible, i <= 2) << i;
  }
  options.ViewMode = 4;
  Parse(Page(60, DayToday()));
  for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(controls.RowUpper[i].Visible);
  // Without the index section every slot shows.
  options.ViewMode = 2;
  Parse(Page(51, DayToday()));
  for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(controls.RowLower[i].Visible);
}

TEST(ForecastRow, FiveDayTooltipAndMissingLines) {
  std::vector<Text> rows = {u"",         u"星期三",    u"no pictures here", u"多云",
                            u" 高温 4℃", u" 低温 -2℃", u"小于3级"};
  ForecastView controls;
  FillForecastRow(rows, 60, {}, nullptr, controls);
  EXPECT_EQ(controls.RowUpper[0].Tooltip, u"多云 (<3级)");
  EXPECT_EQ(controls.RowLower[0].Tag, u"4/-2");
  EXPECT_EQ(controls.RowUpper[0].Kind, PictureKind::None);  // no "src" piece
  EXPECT_EQ(controls.RowUpper[1].Tag, u"");                 // day 1 has no lines
  EXPECT_EQ(controls.RowLower[1].Tooltip, u"");
}

Text Summary(const std::string& name, const std::string& t1, const std::string& t2,
             const std::string& img1 = "d1.gif", const std::string& img2 = "n12.gif") {
  return T("{\"weatherinfo\":{\"city\":\"" + name + "\",\"cityid\":\"101010100\",\"temp1\":\"" +
           t1 + "\",\"temp2\":\"" + t2 + "\",\"weather\":\"小雨转多云\",\"img1\":\"" + img1 +
           "\",\"img2\":\"" + img2 + "\",\"ptime\":\"08:00\"}}");
}

TEST(ForecastRow, SeveralCities) {
  ForecastOptions options;
  options.ShowSeveralCities = 1;
  options.WatchedCities = {{u"A", u"1", true}, {u"B", u"2", false}, {u"C", u"3", true},
                           {u"D", u"4", true}, {u"E", u"5", true},  {u"F", u"6", false},
                           {u"G", u"7", true}};
  std::vector<Text> asked;
  const SummaryFetcher fetch = [&](TextView id) -> Text {
    asked.emplace_back(id);
    if (id == u"1") return Summary("黑龙江哈尔滨", "5℃", "12℃");
    if (id == u"3") return Summary("北京", "12℃", "5℃", "d12.gif", "n1.gif");
    if (id == u"4") return u"";  // the summary cannot be had
    if (id == u"5") return Summary("上海", "-3℃", "4℃");
    return Summary("广州", "2.5℃", "x");
  };
  ForecastView controls;
  FillForecastRow({}, 60, options, fetch, controls);
  EXPECT_EQ(asked, (std::vector<Text>{u"1", u"3", u"4", u"5", u"7"}));
  EXPECT_EQ(controls.RowUpper[0].Tag, u"黑龙江哈");
  EXPECT_EQ(controls.RowLower[0].Tag, u"12/5");
  EXPECT_EQ(controls.RowUpper[0].Tooltip, u"小雨转多云");
  EXPECT_EQ(controls.RowLower[0].Tooltip, u"小雨转多云");
  EXPECT_EQ(controls.RowUpper[0].IconName, u"/m/i/icon_weather/21x15/d01");
  EXPECT_EQ(controls.RowLower[0].IconName, u"/m/i/icon_weather/21x15/n12");
  EXPECT_EQ(controls.RowUpper[1].Tag, u"北京");
  EXPECT_EQ(controls.RowLower[1].Tag, u"12/5");
  EXPECT_EQ(controls.RowUpper[1].IconName, u"/m/i/icon_weather/21x15/d12");
  EXPECT_EQ(controls.RowLower[1].IconName, u"/m/i/icon_weather/21x15/n01");
  EXPECT_EQ(controls.RowUpper[2].Tag, u"");  // consumed, left empty
  EXPECT_EQ(controls.RowUpper[2].Kind, PictureKind::None);
  EXPECT_EQ(controls.RowLower[3].Tag, u"4/-3");
  EXPECT_EQ(controls.RowLower[4].Tag, u"2.5/0");

  // Fewer shown cities than slots: the rest stay empty.
  options.WatchedCities = {{u"A", u"1", true}, {u"B", u"2", false}, {u"C", u"3", true}};
  options.SaveIcons = 1;
  controls = {};
  asked.clear();
  FillForecastRow({}, 60, options, fetch, controls);
  EXPECT_EQ(asked, (std::vector<Text>{u"1", u"3"}));
  EXPECT_EQ(controls.RowUpper[0].IconName, u"/m/i/icon_weather/42x30/d01");
  for (std::size_t i = 2; i < 5; ++i) {
    EXPECT_EQ(controls.RowUpper[i].Tag, u"");
    EXPECT_EQ(controls.RowLower[i].Kind, PictureKind::None);
  }
}

TEST(ForecastRow, SummaryTextRules) {
  EXPECT_EQ(SummaryIconPath(u"d1.gif", 0), u"/m/i/icon_weather/21x15/d01");
  EXPECT_EQ(SummaryIconPath(u"n31.gif", 2), u"/m/i/icon_weather/21x15/n31");
  EXPECT_EQ(SummaryIconPath(u"d1.gif", 1), u"/m/i/icon_weather/42x30/d01");
  EXPECT_EQ(ShortestNumberText(15), u"15");
  EXPECT_EQ(ShortestNumberText(-3), u"-3");
  EXPECT_EQ(ShortestNumberText(2.5), u"2.5");
  EXPECT_EQ(ShortestNumberText(-0.0), u"0");
  // Fewer than eight pieces: nothing is set.
  ForecastPicture upper, lower;
  FillCitySlot(u"{a:b,c:d}", 0, upper, lower);
  EXPECT_EQ(upper.Tag, u"");
  EXPECT_EQ(upper.Kind, PictureKind::None);
}

}  // namespace
}  // namespace nimbulux
