#include <gtest/gtest.h>

#include "core/gbk.h"
#include "core/text.h"
#include "weather/weather_state.h"

using namespace nimbulux;

TEST(Split, EmptyTextGivesNoPiecesSoEveryPieceIsMissing) {
  EXPECT_TRUE(Split(u"", u",").empty());
  EXPECT_EQ(Split(u"a", u","), std::vector<Text>{u"a"});
  EXPECT_EQ(Split(u",a,,b,", u","), (std::vector<Text>{u"", u"a", u"", u"b", u""}));
  EXPECT_EQ(Split(u"a<br>b", u"<br>"), (std::vector<Text>{u"a", u"b"}));
  EXPECT_EQ(Split(u"abc", u""), std::vector<Text>{u"abc"});
}

TEST(Replace, EveryOccurrenceLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll(u"aaaa", u"aa", u"a"), u"aa");
  EXPECT_EQ(ReplaceAll(u"x--y--", u"--", u"/"), u"x/y/");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"z"), u"abc");
  EXPECT_EQ(ReplaceAll(u"", u"a", u"b"), u"");
}

TEST(Substrings, CountUtf16CodeUnits) {
  const Text s = u"天气预报\U0001F600";  // the emoji is two code units
  EXPECT_EQ(s.size(), 6u);
  EXPECT_EQ(Left(s, 2), u"天气");
  EXPECT_EQ(Right(s, 2), u"\U0001F600");
  EXPECT_EQ(Right(u"06:30", 5), u"06:30");
  EXPECT_EQ(Right(u"日出 06:30", 5), u"06:30");
  EXPECT_EQ(Right(u"ab", 5), u"ab");
  EXPECT_EQ(Left(u"ab", 0), u"");
  EXPECT_EQ(Left(u"ab", -3), u"");
  EXPECT_EQ(Mid(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(Mid(u"abcdef", 5), u"ef");
  EXPECT_EQ(Mid(u"abc", 9, 2), u"");
  EXPECT_EQ(InStr(u"abcabc", u"c"), 3u);
  EXPECT_EQ(InStr(u"abcabc", u"c", 4), 6u);
  EXPECT_EQ(InStr(u"abc", u"z"), 0u);
}

TEST(Trim, OnlyTheAsciiBlank) {
  EXPECT_EQ(TrimBlanks(u"  25 "), u"25");
  EXPECT_EQ(TrimBlanks(u"\t25\n"), u"\t25\n");
  EXPECT_EQ(TrimBlanks(u"\u300025"), u"\u300025");
  EXPECT_EQ(TrimBlanks(u"   "), u"");
}

TEST(LeadingNumber, ReadsLikeTheSettingsFileExpects) {
  EXPECT_EQ(LeadingNumber(u""), 0);
  EXPECT_EQ(LeadingNumber(u"abc"), 0);
  EXPECT_EQ(LeadingNumber(u"15"), 15);
  EXPECT_EQ(LeadingNumber(u"-3℃"), -3);
  EXPECT_EQ(LeadingNumber(u"+7x"), 7);
  EXPECT_EQ(LeadingNumber(u" 1 2 3"), 123);
  EXPECT_DOUBLE_EQ(LeadingNumber(u"12.5.6"), 12.5);
  EXPECT_DOUBLE_EQ(LeadingNumber(u".5"), 0.5);
  EXPECT_EQ(LeadingNumber(u"1e3"), 1000);
  EXPECT_EQ(LeadingNumber(u"2E-1"), 0.2);
  EXPECT_EQ(LeadingNumber(u"3e"), 3);  // an exponent without digits is not one
  EXPECT_EQ(LeadingNumber(u"&H1F"), 31);
  EXPECT_EQ(LeadingNumber(u"&hff"), 255);
  EXPECT_EQ(LeadingNumber(u"&O17"), 15);
  EXPECT_EQ(LeadingNumber(u"&HFFFF"), -1);  // 16-bit literal
  EXPECT_EQ(LeadingNumber(u"&X1"), 0);
  EXPECT_EQ(LeadingNumber(u"-"), 0);
  EXPECT_EQ(LeadingNumber(u"101010100"), 101010100);
  EXPECT_EQ(LeadingNumber(u"20:99"), 20);
}

TEST(Rounding, HalvesGoToEvenAndRangesAreRefused) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(24.5), 24);
  EXPECT_EQ(RoundHalfEven(25.5), 26);
  EXPECT_EQ(ToInt16(32767.4).value(), 32767);
  EXPECT_FALSE(ToInt16(32767.5).has_value());
  EXPECT_EQ(ToInt16(-32768).value(), -32768);
  EXPECT_FALSE(ToInt16(-32769).has_value());
  EXPECT_FALSE(ToInt16(1e300 * 10).has_value());
  EXPECT_EQ(ToInt32(101010100).value(), 101010100);
}

TEST(Case, UpperCasingForComparisons) {
  EXPECT_EQ(UpperCase(u"abc/Usr/Bin"), u"ABC/USR/BIN");
  EXPECT_EQ(UpperCase(u"北京abc"), u"北京ABC");
  EXPECT_EQ(LowerCase(u"BeiJing"), u"beijing");
  EXPECT_EQ(UpperCase(u"éß"), u"Éß");
}

TEST(Encoding, Utf8AndGbkRoundTrips) {
  const Text city = u"北京 镕 ℃";
  EXPECT_EQ(FromUtf8(ToUtf8(city)), city);
  const std::string gbk = GbkFromText(u"北京");
  EXPECT_EQ(gbk, "\xB1\xB1\xBE\xA9");
  EXPECT_EQ(TextFromGbk(gbk), u"北京");
  EXPECT_EQ(GbkFromText(u"镕"), "\xE9\x46");  // a GBK-only character
  EXPECT_EQ(TextFromGbk("\xE9\x46"), u"镕");
  EXPECT_EQ(TextFromGbk(GbkFromText(city)), city);
  EXPECT_EQ(GbkFromText(u"a\U0001F600b"), "a??b");  // no GBK form: "?" per code unit
  EXPECT_EQ(TextFromGbk("a\xFF"), u"a\uFFFD");      // broken tail decoded, not dropped
  EXPECT_TRUE(IsValidUtf8("\xE5\x8C\x97"));
  EXPECT_FALSE(IsValidUtf8("\xB1\xB1"));
  EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");
}

TEST(TextBetween, CutsFieldAfterFieldFromTheSameText) {
  Text page = u"<title>某市天气预报</title>";
  EXPECT_EQ(TextBetween(page, u"<title>", u"天气预报"), u"某市");
  EXPECT_EQ(page, u"</title>");

  Text t = u"a[x]b[y]";
  EXPECT_EQ(TextBetween(t, u"[", u"]"), u"x");
  EXPECT_EQ(TextBetween(t, u"[", u"]"), u"y");
  EXPECT_EQ(t, u"");

  Text none = u"a]b[c";
  EXPECT_EQ(TextBetween(none, u"{", u"]"), u"");
  EXPECT_EQ(TextBetween(none, u"[", u"]"), u"");  // end marker only before the start
  EXPECT_EQ(none, u"a]b[c");

  Text adjacent = u"x[]y";
  EXPECT_EQ(TextBetween(adjacent, u"[", u"]"), u"");
  EXPECT_EQ(adjacent, u"y");

  Text blanks = u"温 25 ℃";
  EXPECT_EQ(TextBetween(blanks, u"温", u"℃"), u"25");
  Text tab = u"温\t25\n℃";
  EXPECT_EQ(TextBetween(tab, u"温", u"℃"), u"\t25\n");

  Text overlap = u"aXa";  // the end marker is searched after the whole start marker
  EXPECT_EQ(TextBetween(overlap, u"aX", u"Xa"), u"");
  EXPECT_EQ(overlap, u"aXa");
}

TEST(CityId, StrictBoundsOnTheLeadingDigits) {
  EXPECT_FALSE(IsCityId(u"100000000"));
  EXPECT_TRUE(IsCityId(u"100000001"));
  EXPECT_TRUE(IsCityId(u"999999998"));
  EXPECT_FALSE(IsCityId(u"999999999"));
  EXPECT_TRUE(IsCityId(u"101010100.shtml"));
  EXPECT_FALSE(IsCityId(u"北京"));
  EXPECT_FALSE(IsCityId(u""));
  EXPECT_FALSE(IsCityId(u" 101010100"));
  EXPECT_FALSE(IsCityId(u"1010101000"));
}
