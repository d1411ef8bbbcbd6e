// The program as installed with `cmake --install`: its files land where a desktop finds
// them, and a copy in a folder its user cannot write keeps its settings in the user's
// configuration folder instead.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QJsonObject>
#include <filesystem>

#include "e2e_support.h"
#include "pages/gif_encoder.h"
#include "support/portal_process.h"

using namespace nimbulux::test;

namespace {

constexpr unsigned kNobody = 65534;

struct Installed {
  TempDir dir;
  std::string prefix = dir.File("prefix");
  std::string Bin() const { return prefix + "/bin/nimbulux"; }
};

// Installs this build into a fresh prefix; the output of cmake on failure.
std::string Install(const Installed& to) {
  return ShellOutput(std::string("'") + NIMBULUX_CMAKE_COMMAND + "' --install '" +
                     NIMBULUX_BINARY_DIR + "' --prefix '" + to.prefix + "' 2>&1 || echo FAILED");
}

// A folder the program's user may write, for its home, runtime and dump files.
std::string UserFolder(const Installed& in, const std::string& name, bool asNobody) {
  const std::string path = in.dir.File(name);
  mkdir(path.c_str(), 0700);
  if (asNobody && chown(path.c_str(), kNobody, kNobody) != 0) ADD_FAILURE() << "chown " << path;
  return path;
}

}  // namespace

TEST(Installed, FilesLandInTheirPlaces) {
  Installed in;
  const std::string output = Install(in);
  ASSERT_EQ(output.find("FAILED"), std::string::npos) << output;
  EXPECT_EQ(access(in.Bin().c_str(), X_OK), 0);
  const std::string desktop = ReadFile(in.prefix + "/share/applications/nimbulux.desktop");
  EXPECT_NE(desktop.find("\nExec=nimbulux\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nIcon=nimbulux\n"), std::string::npos);
  EXPECT_TRUE(FileExists(in.prefix + "/share/icons/hicolor/64x64/apps/nimbulux.png"));
}

TEST(Installed, UnwritableProgramFolderKeepsSettingsInTheConfigurationFolder) {
  Installed in;
  const std::string output = Install(in);
  ASSERT_EQ(output.find("FAILED"), std::string::npos) << output;
  // Root writes anywhere: the program then runs as an ordinary user; otherwise the
  // program's folder is made read-only.
  const bool asNobody = geteuid() == 0;
  std::optional<unsigned> user;
  if (asNobody) {
    user = kNobody;
    chmod(in.dir.path().c_str(), 0755);
  } else {
    chmod((in.prefix + "/bin").c_str(), 0555);
  }
  PortalProcess portal;

  // A stored city and position in the configuration folder are read from there, and
  // the exit writes there.
  const std::string work = UserFolder(in, "work", asNobody);
  const std::string config = work + "/config";
  {
    const std::string folder = config + "/nimbulux";
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/nimbulux.ini", "[SYSTEM]\r\nLocalID=101020100\r\nCurrentX=3000\r\n");
    if (asNobody) {
      for (const std::string& p : {config, folder, folder + "/nimbulux.ini"}) {
        EXPECT_EQ(chown(p.c_str(), kNobody, kNobody), 0);
      }
    }
  }
  RunningProgram run = StartProgramFile(in.Bin(), work, {"autoexit=1"}, portal.base(), {}, user);
  ASSERT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_EQ(dump["city"].toString(), "101020100");
  EXPECT_EQ(dump["window"].toObject()["left"].toDouble(), 3000);
  const std::string ini = ReadFile(config + "/nimbulux/nimbulux.ini");
  EXPECT_NE(ini.find("MyFont="), std::string::npos) << ini;
  EXPECT_FALSE(FileExists(in.prefix + "/bin/nimbulux.ini"));

  // A user without a configuration folder yet gets one.
  const std::string fresh = UserFolder(in, "fresh", asNobody);
  RunningProgram second =
      StartProgramFile(in.Bin(), fresh, {"local=101010100", "autoexit=1"}, portal.base(), {}, user);
  ASSERT_EQ(WaitForExit(second, 25), std::optional<int>(0));
  EXPECT_TRUE(std::filesystem::is_directory(fresh + "/config/nimbulux"));
  EXPECT_EQ(ReadDump(second)["city"].toString(), "101010100");
}

// A copy carried with its settings file and pictures to a folder its user cannot write:
// they are read from beside the program, and the first save lands in the configuration
// folder with every key of the old file.
TEST(Installed, SettingsBesideAReadOnlyProgramAreReadAndCarriedOver) {
  Installed in;
  const std::string output = Install(in);
  ASSERT_EQ(output.find("FAILED"), std::string::npos) << output;
  const bool asNobody = geteuid() == 0;
  std::optional<unsigned> user;
  if (asNobody) user = kNobody;
  chmod(in.dir.path().c_str(), 0755);
  const std::string bin = in.prefix + "/bin";
  WriteFile(bin + "/nimbulux.ini",
            "[SYSTEM]\r\nLocalID=101020100\r\nCurrentX=3000\r\nBackGround=1\r\n"
            "Handmade=kept\r\n[CITY]\r\nCount=1\r\nName0=上海\r\nID0=101020100\r\n");
  std::filesystem::create_directories(bin + "/Images");
  QImage own(299, 210, QImage::Format_RGB32);
  own.fill(qRgb(204, 102, 51));
  WriteFile(bin + "/Images/bg.gif", nimbulux::portal_server::EncodeGif(own));
  if (!asNobody) chmod(bin.c_str(), 0555);
  const std::string before = ReadFile(bin + "/nimbulux.ini");

  PortalProcess portal;
  const std::string work = UserFolder(in, "work", asNobody);
  RunningProgram run = StartProgramFile(in.Bin(), work, {"autoexit=1"}, portal.base(), {}, user);
  ASSERT_EQ(WaitForExit(run, 25), std::optional<int>(0));
  const QJsonObject dump = ReadDump(run);
  EXPECT_EQ(dump["city"].toString(), "101020100");
  EXPECT_EQ(dump["window"].toObject()["left"].toDouble(), 3000);
  EXPECT_EQ(QImage(QString::fromStdString(run.snapshotPath)).pixel(2, 2), qRgb(204, 102, 51));

  const std::string saved = ReadFile(work + "/config/nimbulux/nimbulux.ini");
  for (const char* key : {"LocalID=101020100", "Handmade=kept", "ID0=101020100", "MyFont="}) {
    EXPECT_NE(saved.find(key), std::string::npos) << key << "\n" << saved;
  }
  EXPECT_EQ(ReadFile(bin + "/nimbulux.ini"), before);
  if (!asNobody) chmod(bin.c_str(), 0755);
}
