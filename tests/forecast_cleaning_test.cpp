#include <gtest/gtest.h>

#include <random>

#include "forecast_reference.h"
#include "weather/forecast_cleaning.h"

namespace nimbulux {
namespace {

using test::RemoveSpansLiteral;
using test::ReplaceUntilGoneLiteral;

struct MarkerPair {
  const char16_t* start;
  const char16_t* end;
};

// The pairs the cleaning uses, and a few whose markers overlap themselves or each other.
const MarkerPair kPairs[] = {{u"未来4-7", u"</h2>"},
                             {u"<img", u"/>"},
                             {u"<option", u"/option>"},
                             {u"<", u">"},
                             {u"周边地区", u"生活指数"},
                             {u"ab", u"ba"},
                             {u"aa", u"a"},
                             {u"aba", u"ab"},
                             {u"a", u"aa"},
                             {u"<", u"<"},
                             {u"xy", u"yx"}};

// Random text made of pieces of both markers and a few plain characters, so that
// removals often join a new marker across the cut.
Text RandomText(std::mt19937& rng, const MarkerPair& pair, std::size_t pieces) {
  std::vector<Text> alphabet = {u"x", u" ", u"\n"};
  for (TextView marker : {TextView(pair.start), TextView(pair.end)}) {
    for (std::size_t from = 0; from < marker.size(); ++from) {
      alphabet.emplace_back(marker.substr(from, 1));
      alphabet.emplace_back(marker.substr(0, from + 1));
      alphabet.emplace_back(marker.substr(from));
    }
  }
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  Text text;
  for (std::size_t i = 0; i < pieces; ++i) text += alphabet[pick(rng)];
  return text;
}

TEST(RemoveSpans, AgreesWithTheLiteralLoopOnRandomAndHostileTexts) {
  std::mt19937 rng(20261207);
  std::size_t compared = 0;
  for (const MarkerPair& pair : kPairs) {
    for (bool keep : {false, true}) {
      for (int round = 0; round < 3000; ++round) {
        const Text original = RandomText(rng, pair, 1 + round % 40);
        Text fast = original;
        RemoveSpans(fast, pair.start, pair.end, keep);
        const Text slow = RemoveSpansLiteral(original, pair.start, pair.end, keep);
        ASSERT_EQ(ToUtf8(fast), ToUtf8(slow))
            << "text " << ToUtf8(original) << " markers " << ToUtf8(pair.start) << " "
            << ToUtf8(pair.end) << " keep " << keep;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, std::size(kPairs) * 2 * 3000u);
}

TEST(RemoveSpans, NestedAndUnbalancedElements) {
  // Deep nesting makes every removal keep almost the whole rest as inner text.
  Text nested;
  for (int i = 0; i < 2000; ++i) nested += u"<img a";
  nested += u"x";
  for (int i = 0; i < 2000; ++i) nested += u"/>b";
  for (bool keep : {false, true}) {
    Text fast = nested;
    RemoveSpans(fast, u"<img", u"/>", keep);
    EXPECT_EQ(fast, RemoveSpansLiteral(nested, u"<img", u"/>", keep));
  }
  // A stray start marker near the end stops the loop and leaves the rest as it is.
  Text stray = u"a<b>c<d>e < f g";
  EXPECT_EQ(RemoveSpans(stray, u"<", u">", false), u"ace < f g");
  // An end marker only before the start marker: nothing to remove.
  Text before = u"x> y <z";
  EXPECT_EQ(RemoveSpans(before, u"<", u">", false), u"x> y <z");
  // An end marker that begins inside the start marker stops the loop.
  Text inside = u"abc d";
  EXPECT_EQ(RemoveSpans(inside, u"abc", u"bc", false), u"abc d");
  // keepInner keeps the attributes between single blanks.
  Text image = u"a<img src=x.gif />b";
  EXPECT_EQ(RemoveSpans(image, u"<img", u"/>", true), u"a src=x.gif b");
}

TEST(RemoveSpans, HugeHostilePagesFinish) {
  // A megabyte of nested elements and of unclosed tags: the literal loop would take
  // hours; the result is still checked against what the loop must give.
  Text nested;
  for (int i = 0; i < 100000; ++i) nested += u"<img ";
  for (int i = 0; i < 100000; ++i) nested += u"/>";
  RemoveSpans(nested, u"<img", u"/>", true);
  EXPECT_EQ(nested, Text(100000, u' '));

  Text opened;
  for (int i = 0; i < 200000; ++i) opened += u"<<a>";
  RemoveSpans(opened, u"<", u">", false);
  EXPECT_EQ(opened, u"");
}

TEST(ReplaceUntilGone, AgreesWithRepeatedPasses) {
  std::mt19937 rng(7);
  const char16_t alphabet[] = u" \nab";
  std::uniform_int_distribution<int> pick(0, 3);
  const std::pair<TextView, TextView> rules[] = {
      {u"  ", u" "}, {u"\n ", u"\n"}, {u"\n\n", u"\n"}, {u"ab", u"a"}, {u"aab", u"b"}};
  for (const auto& [find, replacement] : rules) {
    for (int round = 0; round < 2000; ++round) {
      Text text;
      for (int i = 0; i < round % 30; ++i) text += alphabet[pick(rng)];
      Text fast = text;
      ReplaceUntilGone(fast, find, replacement);
      ASSERT_EQ(fast, ReplaceUntilGoneLiteral(text, find, replacement)) << ToUtf8(text);
    }
  }
  Text blanks = u"a\n\n\n\n  b";
  ReplaceUntilGone(blanks, u"\n\n", u"\n");
  EXPECT_EQ(blanks, u"a\n  b");
}

class CleanForecastPageTest : public ::testing::Test {
 protected:
  WeatherState state;
  Text tooltip = u"old";

  Text Clean(std::string_view utf8) {
    Text page = T(utf8);
    const Text result = CleanForecastPage(page, state, tooltip);
    EXPECT_EQ(result, page);
    return result;
  }
};

TEST_F(CleanForecastPageTest, OneSectionPage) {
  state.DateWords = {u"a", u"b"};
  state.PageNotes = {u"n1", u"n2"};
  state.TodayForecast[0] = u"晴";
  state.ExtraLines[20] = u"x";
  const Text cleaned = Clean("<title>某市天气预报</title>a<b>c<img src=x.gif />d<i>e");
  EXPECT_EQ(cleaned, u"某市天气预报ac src=x.gif de");
  EXPECT_EQ(state.CityName, u"某市");
  EXPECT_EQ(state.DateWords, (std::vector<Text>{u"", u""}));
  EXPECT_EQ(state.PageNotes[0], u"");
  EXPECT_EQ(state.TodayForecast[0], u"");
  EXPECT_EQ(state.ExtraLines[20], u"");
  EXPECT_EQ(tooltip, u"");
}

TEST_F(CleanForecastPageTest, HeaderFromTheSecondSection) {
  const Text cleaned = Clean(
      "<title>北京天气预报</title><div class=\"topSj\"><p>今天是 2026年12月7日  星期一</p>"
      "<a href=\"/x\">寒潮预警</a><a href=\"/y\">空气质量</a>"
      "<div class=\"weatherwapper\">body");
  EXPECT_EQ(state.CityName, u"北京");
  EXPECT_EQ(state.DateWords, (std::vector<Text>{u"2026年12月7日", u"", u"星期一"}));
  EXPECT_EQ(state.PageNotes[0], u"寒潮预警");
  EXPECT_EQ(state.PageNotes[1], u"空气质量");
  EXPECT_EQ(tooltip, u"[寒潮预警][空气质量]");
  EXPECT_EQ(cleaned, u"body");  // three sections: the third is kept
}

TEST_F(CleanForecastPageTest, NotesTooltipNeedsMoreThanThreeCharacters) {
  const std::string head = "<div class=\"topSj\">>今天是 x<";
  Clean(head + "<a \">一</a><a \">二三</a>");
  EXPECT_EQ(tooltip, u"");
  Clean(head + "<a \">一二</a><a \">三四</a>");
  EXPECT_EQ(tooltip, u"[一二][三四]");
  Clean(head + "<a \"></a><a \">三四五六</a>");
  EXPECT_EQ(tooltip, u"[三四五六]");
}

TEST_F(CleanForecastPageTest, SectionChoice) {
  const std::string w = "<div class=\"weatherwapper\">";
  EXPECT_EQ(Clean("s0" + w + "s1"), u"s0s1");
  EXPECT_EQ(Clean("s0" + w + "s1" + w + "s2" + w + "s3"), u"s2");
  EXPECT_EQ(Clean("s0" + w + "s1" + w + "s2" + w + "s3" + w + "s4"), u"s0s1s2s3s4");
  EXPECT_EQ(Clean("s0" + w + "s1" + w + "s2" + w + "s3" + w + "s4" + w + "s5" + w + "s6"), u"s5");
}

TEST_F(CleanForecastPageTest, LinesAndMarkers) {
  EXPECT_EQ(Clean("a\r\n\r\n\r\n   b\n\tc&nbsp;&nbsp;d<br />&gt;e\"<li>f"), u"a\nb\nc d -e\nf");
  EXPECT_EQ(Clean("x<div class=\"fut_weather\" id=\"dd_0\">y<div class=\"fut_weather\" "
                  "id=\"dd_1\">z"),
            u"xFutWeatheryz");
  EXPECT_EQ(Clean("<h2>未来4-7天</h2>k<select><option value=1>a</option><option>b</option>"
                  "</select>"),
            u"k");
  EXPECT_EQ(Clean("周边地区\n北京 3℃\n生活指数\nsrc=/m/29x20/d01.gif"), u"\nsrc=/m/42x30/d01.gif");
  EXPECT_EQ(Clean(""), u"");
}

TEST_F(CleanForecastPageTest, DateWordsBeyondTwentyKeepTheirValueWithoutADateLine) {
  state.DateWords.assign(23, u"w");
  Clean("no sections");
  ASSERT_EQ(state.DateWords.size(), 23u);
  EXPECT_EQ(state.DateWords[20], u"");
  EXPECT_EQ(state.DateWords[21], u"w");
}

}  // namespace
}  // namespace nimbulux
