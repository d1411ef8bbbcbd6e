#include <gtest/gtest.h>
#include <stdlib.h>

#include "settings/autostart.h"
#include "support/temp_dir.h"

namespace nimbulux {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;

// Every test gets its own configuration folder.
class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1); }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  std::string EntryFile() const { return config_.File("autostart/Weather.desktop"); }

  TempDir config_;
  const Text own_ = u"/opt/Nimbulux Apps/nimbulux";
};

TEST_F(AutostartTest, MissingOrNumericValueLeavesTheBoxCleared) {
  EXPECT_FALSE(AutostartEnabled(own_));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(
      QueryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutostartValueName)));

  SetKeyValue(RegistryRoot::CurrentUser, kRunKeyPath, u"Weather", std::uint32_t{42}, REG_DWORD);
  const RegistryValue stored = QueryValue(RegistryRoot::CurrentUser, kRunKeyPath, u"WEATHER");
  ASSERT_TRUE(std::holds_alternative<std::uint32_t>(stored));
  EXPECT_EQ(std::get<std::uint32_t>(stored), 42u);
  EXPECT_FALSE(AutostartEnabled(own_));
  // A number starts nothing at login.
  EXPECT_NE(ReadFile(EntryFile()).find("\nHidden=true\n"), std::string::npos);
  EXPECT_EQ(ReadFile(EntryFile()).find("Exec="), std::string::npos);
}

TEST_F(AutostartTest, OtherLetterCaseQuotesAndArgumentsStillMatch) {
  EXPECT_TRUE(AutostartValueNamesProgram(Text(u"/OPT/nimbulux apps/NIMBULUX"), own_));
  EXPECT_TRUE(AutostartValueNamesProgram(Text(u"\"/opt/Nimbulux Apps/nimbulux\" -x"), own_));
  EXPECT_FALSE(AutostartValueNamesProgram(Text(u"/elsewhere/nimbulux"), own_));
  EXPECT_FALSE(AutostartValueNamesProgram(Text(u"/opt/x"), u""));
  // Upper-casing reaches beyond ASCII.
  EXPECT_TRUE(AutostartValueNamesProgram(Text(u"/HOME/ÉTÉ/NIMBULUX"), u"/home/été/nimbulux"));
}

TEST_F(AutostartTest, EntryWrittenReadBackAndRemoved) {
  WriteAutostart(true, own_);
  ASSERT_TRUE(FileExists(EntryFile()));
  const std::string entry = ReadFile(EntryFile());
  EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
  EXPECT_NE(entry.find("Exec=\"/opt/Nimbulux Apps/nimbulux\"\n"), std::string::npos);
  // Reading back gives exactly the stored text.
  const RegistryValue stored = QueryValue(RegistryRoot::CurrentUser, kRunKeyPath, u"Weather");
  ASSERT_TRUE(std::holds_alternative<Text>(stored));
  EXPECT_EQ(std::get<Text>(stored), own_);
  EXPECT_TRUE(AutostartEnabled(own_));

  // Writing again replaces it; a second writer with another path takes the entry over.
  WriteAutostart(true, u"/usr/bin/nimbulux");
  EXPECT_FALSE(AutostartEnabled(own_));
  EXPECT_TRUE(AutostartEnabled(u"/usr/bin/nimbulux"));

  WriteAutostart(false, own_);
  EXPECT_FALSE(FileExists(EntryFile()));
  WriteAutostart(false, own_);  // removing a missing value does nothing
  EXPECT_FALSE(AutostartEnabled(own_));
}

TEST_F(AutostartTest, SpecialCharactersSurviveTheDesktopEntry) {
  const Text odd = u"/tmp/a\"b$c`d\\e%f/天气";
  WriteAutostart(true, odd);
  const std::string entry = ReadFile(EntryFile());
  EXPECT_NE(entry.find("Exec=\"/tmp/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f/天气\"\n"), std::string::npos)
      << entry;
  EXPECT_EQ(std::get<Text>(QueryValue(RegistryRoot::CurrentUser, kRunKeyPath, u"Weather")), odd);
}

TEST_F(AutostartTest, EntriesOfOthersAreReadAndDisabledOnesIgnored) {
  EXPECT_FALSE(FileExists(EntryFile()));
  WriteAutostart(true, own_);
  test::WriteFile(EntryFile(), "[Desktop Entry]\nExec=/opt/Nimbulux\\sApps/nimbulux --x\n");
  EXPECT_TRUE(AutostartEnabled(own_));
  test::WriteFile(EntryFile(), "[Desktop Entry]\nExec=/opt/Nimbulux Apps/nimbulux\nHidden=true\n");
  EXPECT_FALSE(AutostartEnabled(own_));
}

TEST_F(AutostartTest, OnlyTheRunKeyOpensAndBadArgumentsWriteNothing) {
  EXPECT_FALSE(OpenRegistryKey(RegistryRoot::CurrentUser, u"Software\\Nimbulux"));
  SetKeyValue(RegistryRoot::CurrentUser, u"Software\\Nimbulux", u"Weather", Text(own_), REG_SZ);
  EXPECT_FALSE(FileExists(EntryFile()));

  const std::optional<RegistryKey> run = OpenRegistryKey(
      RegistryRoot::CurrentUser, u"SOFTWARE\\microsoft\\windows\\currentversion\\run");
  ASSERT_TRUE(run);
  RegistryValue value = Text(u"unchanged");
  EXPECT_EQ(QueryValueEx(*run, u"Weather", value), kRegistryNotFound);
  EXPECT_EQ(std::get<Text>(value), u"unchanged");
  EXPECT_EQ(SetValueEx(*run, u"Weather", REG_DWORD, Text(u"not a number")), kRegistryWrongType);
  EXPECT_EQ(SetValueEx(*run, u"Weather", 3, std::uint32_t{1}), kRegistryWrongType);
  EXPECT_FALSE(FileExists(EntryFile()));
  // A value name that would leave the autostart folder is refused.
  EXPECT_EQ(SetValueEx(*run, u"../evil", REG_SZ, Text(u"x")), kRegistryAccessDenied);
  EXPECT_FALSE(FileExists(config_.File("evil.desktop")));
}

}  // namespace
}  // namespace nimbulux
