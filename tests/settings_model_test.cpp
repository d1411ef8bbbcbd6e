#include <gtest/gtest.h>

#include "core/gbk.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "support/temp_dir.h"

using namespace nimbulux;
using nimbulux::test::FileExists;
using nimbulux::test::ReadFile;
using nimbulux::test::TempDir;
using nimbulux::test::WriteFile;

namespace {

class SettingsModelTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsFilePath(path); }
  void TearDown() override { SetSettingsFilePath({}); }

  void WriteSystem(const std::string& lines) { WriteFile(path, "[SYSTEM]\r\n" + lines); }

  TempDir dir;
  std::string path = dir.File("Nimbulux.ini");
};

ExitState SampleExitState() {
  ExitState s;
  s.CityId = u" 101010100 ";
  s.Left = 1234.5f;
  s.Top = 1500;
  s.Visible = true;
  s.ShowSeveralCities = 1;
  s.ViewMode = 2;
  s.LockChecked = true;
  s.TopChecked = false;
  s.TransChecked = false;
  s.DeskChecked = true;
  s.CheckedBackground = 2;
  s.TextColours = {15, 7, 12, 8, 11};
  s.NormalFont = {u"SimSun", 10};
  s.TemperatureFont = {u"Arial", 26};
  s.WatchedCities = {{u"北京", u"101010100", true}, {u"上海", u"101020100", false}};
  return s;
}

TEST_F(SettingsModelTest, MissingFileGivesEveryDefault) {
  const Settings s = ReadAllSettings();
  EXPECT_EQ(s, Settings{});
  EXPECT_EQ(s.TextColours, (std::array<int, 5>{15, 14, 10, 8, 11}));
  EXPECT_EQ(s.NormalFont, (FontChoice{u"Noto Sans CJK SC", 9}));
  EXPECT_EQ(s.TemperatureFont, (FontChoice{u"Arial", 24}));
  EXPECT_EQ(s.Opacity, 255);
  EXPECT_EQ(s.RefreshInterval, 30);
  EXPECT_FALSE(FileExists(path));
}

TEST_F(SettingsModelTest, NumbersFollowTheSixteenBitRuleAndTheirOwnDefaults) {
  WriteSystem(
      "Hide=70000\r\nLock=2\r\nTop=-1\r\nMulti=1\r\nShowIndex=0.6\r\nBackGround=&H2\r\n"
      "Alpha=300\r\nTrayColor=\r\nForecast=  \r\nTime=0\r\nSave=abc\r\nFront=1e1\r\n");
  Settings s = ReadAllSettings();
  EXPECT_EQ(s.Hide, 0);  // out of range: the default stays
  EXPECT_EQ(s.Lock, 2);
  EXPECT_EQ(s.Top, -1);
  EXPECT_EQ(s.ShowSeveralCities, 1);
  EXPECT_EQ(s.ViewMode, 2);  // 0.6 rounds to 1
  EXPECT_EQ(s.BackGround, 2);
  EXPECT_EQ(s.Alpha, 0);
  EXPECT_EQ(s.Opacity, 255);
  EXPECT_EQ(s.TrayColourRules, u"1:2;15:1;35:12");
  EXPECT_EQ(s.ForecastWindows, u"0800-0900;1800-1900");
  EXPECT_EQ(s.RefreshInterval, 30);
  EXPECT_EQ(s.SaveIcons, 0);
  EXPECT_EQ(s.Front, 10);

  WriteSystem("Alpha=55\r\nTime=-5\r\nTrayColor=1:3\r\nForecast=0700-0800\r\n");
  s = ReadAllSettings();
  EXPECT_EQ(s.Opacity, 200);
  EXPECT_EQ(s.RefreshInterval, 30);
  EXPECT_EQ(s.TrayColourRules, u"1:3");
  EXPECT_EQ(s.ForecastWindows, u"0700-0800");
  WriteSystem("Time=45\r\nTIME=5\r\n");
  EXPECT_EQ(ReadAllSettings().RefreshInterval, 45);
  WriteSystem("Time=40000\r\n");
  EXPECT_EQ(ReadAllSettings().RefreshInterval, 30);
}

TEST_F(SettingsModelTest, ColoursAndFonts) {
  EXPECT_EQ(TextColoursFromSetting(u"5;20;12;abc;9;15"), (std::array<int, 5>{15, 14, 12, 8, 9}));
  EXPECT_EQ(TextColoursFromSetting(u"7.9;15.99;16;6.99"), (std::array<int, 5>{7, 15, 10, 8, 11}));

  FontChoice normal{u"Keep", 11}, temperature{u"KeepToo", 30};
  ApplyFontSetting(u"Arial:9", normal, temperature);  // 7 characters: the default pair
  EXPECT_EQ(normal, (FontChoice{u"Noto Sans CJK SC", 9}));
  EXPECT_EQ(temperature, (FontChoice{u"Arial", 24}));

  normal = {u"Keep", 11};
  temperature = {u"KeepToo", 30};
  ApplyFontSetting(u"SimSun:10.5", normal, temperature);  // one item: the second stays
  EXPECT_EQ(normal, (FontChoice{u"SimSun", 10}));         // halves round to even
  EXPECT_EQ(temperature, (FontChoice{u"KeepToo", 30}));

  ApplyFontSetting(u"SimSun;黑体:abc", normal, temperature);
  EXPECT_EQ(normal, (FontChoice{u"SimSun", 10}));     // no size piece: unchanged
  EXPECT_EQ(temperature, (FontChoice{u"黑体", 30}));  // no usable size: the size stays

  WriteSystem("myColor=5;20;12;abc;9;15\r\nMyFont=Arial:9\r\n");
  const Settings s = ReadAllSettings();
  EXPECT_EQ(s.TextColours, (std::array<int, 5>{15, 14, 12, 8, 9}));
  EXPECT_EQ(s.NormalFont, (FontChoice{u"Noto Sans CJK SC", 9}));
  EXPECT_EQ(s.TemperatureFont, (FontChoice{u"Arial", 24}));
}

TEST_F(SettingsModelTest, WatchedCitiesSkipMalformedEntries) {
  WriteFile(path, "[CITY]\r\nCount=5\r\n1=" + GbkFromText(u"北京;101010100;1") +
                      "\r\n2=broken\r\n3=Shanghai;101020100\r\n4=Tianjin;101030100;0\r\n"
                      "6=Beyond;101040100;1\r\n");
  const Settings s = ReadAllSettings();
  EXPECT_EQ(s.WatchedCities, (WatchedCityList{{u"北京", u"101010100", true},
                                              {u"Shanghai", u"101020100", false},
                                              {u"Tianjin", u"101030100", false}}));

  WriteFile(path, "[CITY]\r\nCount=1e300\r\n1=A;101010100;1\r\n");
  EXPECT_EQ(ReadAllSettings().WatchedCities.size(), 1u);  // a huge count does not hang
}

TEST_F(SettingsModelTest, ExitWritesEveryKeyInOrderAndReadsBack) {
  WriteExitSettings(SampleExitState());
  EXPECT_EQ(ReadFile(path),
            "[SYSTEM]\r\nLocalID=101010100\r\nCurrentX=1234.5\r\nCurrentY=1500\r\nMulti=1\r\n"
            "ShowIndex=1\r\nLock=1\r\nDesk=1\r\nBackGround=2\r\nMyColor=15;7;12;8;11\r\n"
            "MyFont=SimSun:10;Arial:26\r\n"
            "[CITY]\r\nCount=2\r\n1=" +
                GbkFromText(u"北京;101010100;1") + "\r\n2=" + GbkFromText(u"上海;101020100;0") +
                "\r\n");

  const Settings s = ReadAllSettings();
  EXPECT_EQ(s.LocalId, u"101010100");
  EXPECT_EQ(s.CurrentX, u"1234.5");
  EXPECT_EQ(s.CurrentY, u"1500");
  EXPECT_EQ(s.Hide, 0);
  EXPECT_EQ(s.ViewMode, 2);
  EXPECT_EQ(s.TextColours, (std::array<int, 5>{15, 7, 12, 8, 11}));
  EXPECT_EQ(s.NormalFont, (FontChoice{u"SimSun", 10}));
  EXPECT_EQ(s.TemperatureFont, (FontChoice{u"Arial", 26}));
  EXPECT_EQ(s.WatchedCities, SampleExitState().WatchedCities);

  // A second exit with nothing changed does not touch the file.
  const std::string before = ReadFile(path);
  WriteExitSettings(SampleExitState());
  EXPECT_EQ(ReadFile(path), before);
}

TEST_F(SettingsModelTest, TopEdgeIsReadThroughCurrentyWithoutADuplicateKey) {
  WriteSystem("currentY=2400\r\n");
  EXPECT_EQ(ReadAllSettings().CurrentY, u"2400");
  ExitState state = SampleExitState();
  state.Top = 3000;
  WriteExitSettings(state);
  const std::string bytes = ReadFile(path);
  EXPECT_NE(bytes.find("currentY=3000\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("CurrentY"), std::string::npos);
  EXPECT_EQ(ReadAllSettings().CurrentY, u"3000");
}

TEST_F(SettingsModelTest, ZeroPositionsAndClearedFlagsRemoveTheirKeys) {
  WriteExitSettings(SampleExitState());
  ExitState state = SampleExitState();
  state.Left = 0;
  state.Top = -0.0f;
  state.Visible = false;
  state.LockChecked = false;
  state.CheckedBackground.reset();  // nothing checked: the stored mode stays
  WriteExitSettings(state);
  const auto file = SettingsSnapshot::Load();
  EXPECT_FALSE(file.Has(u"SYSTEM", u"CurrentX"));
  EXPECT_FALSE(file.Has(u"SYSTEM", u"CurrentY"));
  EXPECT_FALSE(file.Has(u"SYSTEM", u"Lock"));
  EXPECT_EQ(file.Read(u"SYSTEM", u"Hide"), u"1");
  EXPECT_EQ(file.Read(u"SYSTEM", u"BackGround"), u"2");

  EXPECT_EQ(TwipsText(1234.5f), u"1234.5");
  EXPECT_EQ(TwipsText(1500), u"1500");
  EXPECT_EQ(TwipsText(-15), u"-15");
  EXPECT_EQ(TwipsText(0.1f), u"0.1");
  EXPECT_EQ(TwipsText(-0.0f), u"0");
}

TEST_F(SettingsModelTest, TheWatchedListShrinks) {
  ExitState state = SampleExitState();
  state.WatchedCities = {{u"A", u"101010100", true},
                         {u"B", u"101020100", false},
                         {u"C", u"101030100", true},
                         {u"D", u"101040100", false}};
  WriteExitSettings(state);
  EXPECT_EQ(ReadAllSettings().WatchedCities.size(), 4u);

  state.WatchedCities.resize(2);
  WriteExitSettings(state);
  auto file = SettingsSnapshot::Load();
  EXPECT_EQ(file.Read(u"CITY", u"Count"), u"2");
  EXPECT_TRUE(file.Has(u"CITY", u"2"));
  EXPECT_FALSE(file.Has(u"CITY", u"3"));
  EXPECT_FALSE(file.Has(u"CITY", u"4"));

  state.WatchedCities.clear();
  WriteExitSettings(state);
  file = SettingsSnapshot::Load();
  EXPECT_FALSE(file.Has(u"CITY", u"Count"));
  EXPECT_FALSE(file.Has(u"CITY", u"1"));
  EXPECT_FALSE(file.Has(u"CITY", u"2"));
  EXPECT_TRUE(ReadAllSettings().WatchedCities.empty());
}

TEST_F(SettingsModelTest, OptionKeysUseTheirOwnWriteOperation) {
  WriteSystem("Save=1\r\nUpdate=1\r\n");
  WriteOptionSetting(u"Save", u"0");    // kept as "0"
  WriteOptionSetting(u"Update", u"0");  // removed
  WriteOptionSetting(u"TrayCPU", u"0");
  WriteOptionSetting(u"Alpha", u"0");  // absent: nothing written
  const auto file = SettingsSnapshot::Load();
  EXPECT_EQ(file.Read(u"SYSTEM", u"Save"), u"0");
  EXPECT_EQ(file.Read(u"SYSTEM", u"TrayCPU"), u"0");
  EXPECT_FALSE(file.Has(u"SYSTEM", u"Update"));
  EXPECT_FALSE(file.Has(u"SYSTEM", u"Alpha"));
}

}  // namespace
