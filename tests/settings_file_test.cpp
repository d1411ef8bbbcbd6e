#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/gbk.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

using namespace nimbulux;
using nimbulux::test::FileExists;
using nimbulux::test::ReadFile;
using nimbulux::test::TempDir;
using nimbulux::test::WriteFile;

namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsFilePath(path); }
  void TearDown() override { SetSettingsFilePath({}); }

  TempDir dir;
  std::string path = dir.File("Nimbulux.ini");
};

std::size_t Count(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (auto p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) {
    ++n;
  }
  return n;
}

TEST_F(SettingsFileTest, ReadsLikeThePlatformReader) {
  WriteFile(path,
            "TopLevel=ignored\n"
            "[system]\r\n"
            "  Time =  15  \n"
            "time=99\n"
            "\tAlpha\t=\t7\t\r\n"
            "; comment=1\n"
            "Empty=\n"
            "[CITY]\n"
            "Count=2\n"
            "[System]\n"
            "Hide=1\n");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"TIME"), u"15");  // first of two equal keys
  EXPECT_EQ(ReadSetting(u"System", u"alpha"), u"7");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Empty"), u"");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"; comment"), u"");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"TopLevel"), u"");
  EXPECT_EQ(ReadSetting(u"city", u"count"), u"2");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Hide"), u"");  // a repeated section is not read
  EXPECT_EQ(ReadSetting(u"NOPE", u"Time"), u"");

  const auto snapshot = SettingsSnapshot::Load();
  EXPECT_TRUE(snapshot.Has(u"system", u"EMPTY"));
  EXPECT_FALSE(snapshot.Has(u"system", u"Missing"));

  WriteFile(path, "[SYSTEM]\nLong=" + std::string(2000, 'x') + "\n");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Long"), Text(kMaxSettingLength, u'x'));
}

TEST_F(SettingsFileTest, MissingFileReadsEmptyAndIsCreatedOnFirstWrite) {
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"LocalID"), u"");
  // Removing from a missing file and storing "0" create nothing.
  EXPECT_TRUE(WriteSetting(u"SYSTEM", u"Lock", std::nullopt));
  StoreSetting(u"SYSTEM", u"Lock", u"0");
  EXPECT_FALSE(FileExists(path));

  EXPECT_TRUE(WriteSetting(u"SYSTEM", u"LocalID", Text(u"101010100")));
  WriteSetting(u"CITY", u"Count", Text(u"1"));
  WriteSetting(u"SYSTEM", u"Time", Text(u"20"));
  EXPECT_EQ(ReadFile(path), "[SYSTEM]\r\nLocalID=101010100\r\nTime=20\r\n[CITY]\r\nCount=1\r\n");
}

TEST_F(SettingsFileTest, ExistingKeyIsReplacedInPlaceKeepingItsSpelling) {
  WriteFile(path, "[SYSTEM]\nCurrentY=300\n\n[CITY]\nCount=0\n");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Currenty"), u"300");
  WriteSetting(u"SYSTEM", u"CURRENTY", Text(u"450"));
  WriteSetting(u"SYSTEM", u"Hide", Text(u"1"));  // new key before the blank separator
  EXPECT_EQ(ReadFile(path), "[SYSTEM]\r\nCurrentY=450\r\nHide=1\r\n\r\n[CITY]\r\nCount=0\r\n");
}

TEST_F(SettingsFileTest, RemovalTakesEveryCopyAndWritesNothingWhenAbsent) {
  const std::string lfFile = "[SYSTEM]\nLock=1\nTop=1\nlock=2\n[CITY]\nLock=3\n";
  WriteFile(path, lfFile);
  WriteSetting(u"SYSTEM", u"Missing", std::nullopt);
  WriteSetting(u"OTHER", u"Lock", std::nullopt);
  EXPECT_EQ(ReadFile(path), lfFile);  // not even rewritten with CR LF

  WriteSetting(u"SYSTEM", u"LOCK", std::nullopt);
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Lock"), u"");
  EXPECT_EQ(ReadSetting(u"CITY", u"Lock"), u"3");
  EXPECT_EQ(ReadFile(path), "[SYSTEM]\r\nTop=1\r\n[CITY]\r\nLock=3\r\n");
}

TEST_F(SettingsFileTest, StoreSettingWritesOnlyChanges) {
  WriteFile(path, "[SYSTEM]\nName=abc\nLock=1\n");
  const std::string before = ReadFile(path);
  StoreSetting(u"SYSTEM", u"Name", u"ABC");  // a case-only change
  StoreSetting(u"SYSTEM", u"Hide", u"0");    // "0" for a missing key
  StoreSetting(u"SYSTEM", u"Lock", u"1");    // unchanged
  EXPECT_EQ(ReadFile(path), before);

  StoreSetting(u"SYSTEM", u"Lock", u"0");
  EXPECT_FALSE(SettingsSnapshot::Load().Has(u"SYSTEM", u"Lock"));
  StoreSetting(u"SYSTEM", u"Name", u"abd");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Name"), u"abd");
  StoreSetting(u"SYSTEM", u"Name", u"00");  // only exactly "0" removes
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Name"), u"00");
}

TEST_F(SettingsFileTest, ChineseTextIsStoredAsGbk) {
  // 乕 and 乚 end in the bytes of "[" and "]" in GBK; they must not confuse the reader.
  const Text name = u"北京乕乚市";
  WriteSetting(u"CITY", u"1", name + u";101010100;1");
  const std::string bytes = ReadFile(path);
  EXPECT_NE(bytes.find("1=\xB1\xB1\xBE\xA9\x81\x5B\x81\x5D\xCA\xD0;101010100;1\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadSetting(u"CITY", u"1"), name + u";101010100;1");

  // Rewriting another key leaves the stored bytes as they were.
  WriteSetting(u"CITY", u"Count", Text(u"1"));
  EXPECT_EQ(ReadSetting(u"CITY", u"1"), name + u";101010100;1");
  EXPECT_NE(ReadFile(path).find(GbkFromText(name)), std::string::npos);
}

TEST_F(SettingsFileTest, LineBreaksInAValueCannotInjectKeysOrSections) {
  WriteFile(path, "[SYSTEM]\nTime=20\n");
  WriteSetting(u"SYSTEM", u"LocalID", Text(u"x\r\n[SYSTEM]\nTime=1\r[CITY]\nCount=9"));
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Time"), u"20");
  EXPECT_EQ(ReadSetting(u"CITY", u"Count"), u"");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"LocalID"), u"x  [SYSTEM] Time=1 [CITY] Count=9");
  EXPECT_EQ(Count(ReadFile(path), "\n"), 3u);

  // Stored as blanks, the same value is not written again.
  const std::string before = ReadFile(path);
  StoreSetting(u"SYSTEM", u"LocalID", u"x\r\n[SYSTEM]\nTime=1\r[CITY]\nCount=9");
  EXPECT_EQ(ReadFile(path), before);

  // Text after a NUL never reaches the file.
  WriteSetting(u"SYSTEM", u"Hide", Text(u"1\0Evil=1", 8));
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Hide"), u"1");
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Evil"), u"");
}

TEST_F(SettingsFileTest, CommentsAndUnknownLinesSurviveARewrite) {
  const std::string head =
      "; Nimbulux settings\r\n"
      "[SYSTEM]\r\n"
      "# kept\r\n"
      "just some words\r\n"
      "Odd = spaced value \r\n"
      "Raw=\xFF\xFE not GBK\r\n"
      "Time=20\r\n";
  const std::string tail = "\r\n[Extra]\r\nkey=value\r\n";
  WriteFile(path, head + tail);
  WriteSetting(u"SYSTEM", u"Time", Text(u"25"));
  WriteSetting(u"SYSTEM", u"Hide", Text(u"1"));
  std::string expected = head;
  expected.replace(expected.find("Time=20"), 7, "Time=25");
  EXPECT_EQ(ReadFile(path), expected + "Hide=1\r\n" + tail);
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"odd"), u"spaced value");
}

TEST_F(SettingsFileTest, AWriteThatCannotBeMadeKeepsTheOldValues) {
  // A "folder" that is a plain file cannot hold the settings file, for any user.
  WriteFile(dir.File("plain"), "x");
  SetSettingsFilePath(dir.File("plain") + "/Nimbulux.ini");
  EXPECT_FALSE(WriteSetting(u"SYSTEM", u"Time", Text(u"5")));
  StoreSetting(u"SYSTEM", u"Time", u"5");  // silently
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Time"), u"");
  EXPECT_EQ(ReadFile(dir.File("plain")), "x");
}

TEST_F(SettingsFileTest, AReadOnlyFileOrFolderKeepsTheOldValues) {
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not bind root";
  WriteFile(path, "[SYSTEM]\nTime=20\n");
  chmod(path.c_str(), 0444);
  EXPECT_FALSE(WriteSetting(u"SYSTEM", u"Time", Text(u"5")));
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Time"), u"20");
  chmod(path.c_str(), 0644);
  chmod(dir.path().c_str(), 0555);
  EXPECT_FALSE(WriteSetting(u"SYSTEM", u"Time", Text(u"5")));
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Time"), u"20");
  chmod(dir.path().c_str(), 0755);
}

TEST_F(SettingsFileTest, ARewriteKeepsPermissionsAndSymbolicLinks) {
  const std::string real = dir.File("real.ini");
  WriteFile(real, "[SYSTEM]\nTime=20\n");
  chmod(real.c_str(), 0640);
  ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0);
  WriteSetting(u"SYSTEM", u"Time", Text(u"25"));
  struct stat st {};
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile(real), "[SYSTEM]\r\nTime=25\r\n");
}

TEST_F(SettingsFileTest, AKilledWriterLeavesTheOldOrTheNewFileWhole) {
  // Many keys make each rewrite long enough to be caught in the middle.
  std::string content = "[SYSTEM]\r\n";
  for (int i = 0; i < 3000; ++i)
    content += "Key" + std::to_string(i) + "=" + std::string(40, 'v') + "\r\n";
  const std::string withA = content + "Big=" + std::string(2000, 'a') + "\r\n";
  const std::string withB = content + "Big=" + std::string(2000, 'b') + "\r\n";
  WriteFile(path, withA);

  // Each round kills a writer at another moment of its loop of rewrites (the pauses only
  // spread the moments; nothing depends on them). A kill inside a rewrite must leave no
  // temporary file behind.
  for (int round = 0; round < 16; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      bool signalled = false;
      for (int i = 0;; ++i) {
        WriteSetting(u"SYSTEM", u"Big", Text(2000, i % 2 ? u'a' : u'b'));
        if (!signalled) {
          const char c = 'x';
          signalled = write(ready[1], &c, 1) == 1;
        }
      }
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);  // the child is now in its loop
    close(ready[0]);
    usleep(static_cast<useconds_t>(round * 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string after = ReadFile(path);
    ASSERT_TRUE(after == withA || after == withB) << "file of " << after.size() << " bytes";
  }
  WriteSetting(u"SYSTEM", u"Big", Text(u"done"));
  // Besides the file, a writer killed between linking its temporary file and the rename can
  // leave that temporary ("<name>.XXXXXX") behind; nothing else may appear.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    const std::string base = std::filesystem::path(path).filename().string();
    EXPECT_TRUE(entry.path() == path ||
                (name.size() == base.size() + 7 && name.starts_with(base + ".")))
        << name;
  }
  EXPECT_EQ(ReadSetting(u"SYSTEM", u"Key2999"), Text(40, u'v'));
}

}  // namespace
