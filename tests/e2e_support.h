// Runs the real widget program from a temporary program folder, as a user would: a
// copy of the program file, its settings file beside it, the portal on 127.0.0.1.
#pragma once

#include <QJsonObject>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace nimbulux::test {

// The program file of this build.
std::string WidgetBinary();

class ProgramFolder {
 public:
  // Copies the program into a new temporary folder under the file name name.
  explicit ProgramFolder(const std::string& name = "nimbulux");

  const std::string& path() const { return dir_.path(); }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string Program() const { return dir_.File(name_); }
  std::string SettingsFile() const { return dir_.File(name_ + ".ini"); }
  // Writes the settings file (lines joined with CR LF, UTF-8 text stored as GBK).
  void WriteSettings(const std::vector<std::string>& lines) const;
  std::string ReadSettings() const;

 private:
  TempDir dir_;
  std::string name_;
};

struct RunningProgram {
  int pid = -1;
  std::string dumpPath;
  std::string snapshotPath;
};

// Starts the program with the arguments and extra environment (on top of a clean one
// with the portal base, a private runtime folder and the offscreen platform unless
// DISPLAY is given in env).
RunningProgram StartProgram(const ProgramFolder& folder, const std::vector<std::string>& args,
                            const std::string& portalBase,
                            const std::map<std::string, std::string>& env = {});

// The same for any program file; the dump, snapshot, home and runtime folders lie in
// workFolder. With a user id the program runs as that user (the caller is root).
RunningProgram StartProgramFile(const std::string& programFile, const std::string& workFolder,
                                const std::vector<std::string>& args, const std::string& portalBase,
                                const std::map<std::string, std::string>& env = {},
                                std::optional<unsigned> userId = std::nullopt);

// Waits for the program to end by itself; nothing when it is still running after
// limitSeconds (it is then killed). The limit only keeps a broken program from
// hanging the suite.
std::optional<int> WaitForExit(RunningProgram& program, double limitSeconds);
// True while the program runs.
bool IsRunning(const RunningProgram& program);
// Sends SIGTERM.
void Terminate(const RunningProgram& program);

// The last state dump the program wrote, parsed; empty when there is none.
QJsonObject ReadDump(const RunningProgram& program);
// Waits until the program has written its first state dump (its first render).
bool WaitForDump(const RunningProgram& program, double limitSeconds);

// Whether some client of the X display holds the keyboard (a popup menu, a window
// manager's move) or the pointer: found by trying to take it and letting go at once.
bool KeyboardGrabbed(const std::string& display);
bool PointerGrabbed(const std::string& display);

// The standard output of a shell command.
std::string ShellOutput(const std::string& command);
std::vector<std::string> OutputLines(const std::string& text);

// A helper program (a tray host, a window manager) on a display, stopped with the object.
class HelperProcess {
 public:
  HelperProcess(const std::string& display, const std::vector<std::string>& argv);
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;
  void Stop();
  // Sends a signal to the helper.
  void Signal(int signal) const;

 private:
  int pid_ = -1;
};

}  // namespace nimbulux::test
