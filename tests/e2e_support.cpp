#include "e2e_support.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QJsonDocument>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "core/gbk.h"
#include "core/text.h"

namespace nimbulux::test {

std::string WidgetBinary() { return std::string(NIMBULUX_BINARY_DIR) + "/src/app/nimbulux"; }

ProgramFolder::ProgramFolder(const std::string& name) : name_(name) {
  std::filesystem::copy_file(WidgetBinary(), Program());
  chmod(Program().c_str(), 0755);
}

void ProgramFolder::WriteSettings(const std::vector<std::string>& lines) const {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  WriteFile(SettingsFile(), GbkFromText(FromUtf8(text)));
}

std::string ProgramFolder::ReadSettings() const {
  return ToUtf8(TextFromGbk(ReadFile(SettingsFile())));
}

RunningProgram StartProgram(const ProgramFolder& folder, const std::vector<std::string>& args,
                            const std::string& portalBase,
                            const std::map<std::string, std::string>& extraEnv) {
  return StartProgramFile(folder.Program(), folder.path(), args, portalBase, extraEnv);
}

RunningProgram StartProgramFile(const std::string& programFile, const std::string& workFolder,
                                const std::vector<std::string>& args, const std::string& portalBase,
                                const std::map<std::string, std::string>& extraEnv,
                                std::optional<unsigned> userId) {
  RunningProgram p;
  p.dumpPath = workFolder + "/state.json";
  p.snapshotPath = workFolder + "/snapshot.png";
  const std::string runtime = workFolder + "/runtime";
  mkdir(runtime.c_str(), 0700);
  // Qt wants the runtime folder to belong to the user who runs the program.
  if (userId && chown(runtime.c_str(), *userId, *userId) != 0) {
    throw std::runtime_error("chown failed");
  }
  std::map<std::string, std::string> env = {
      {"PATH", "/usr/local/bin:/usr/bin:/bin"},
      {"HOME", workFolder},
      {"LANG", "C.UTF-8"},
      {"LC_ALL", "C.UTF-8"},
      {"XDG_RUNTIME_DIR", runtime},
      {"XDG_CONFIG_HOME", workFolder + "/config"},
      {"QT_QPA_PLATFORM", "offscreen"},
      {"NIMBULUX_PORTAL", portalBase},
      {"NIMBULUX_SEARCH", portalBase},
      {"NIMBULUX_STATE_DUMP", p.dumpPath},
      {"NIMBULUX_SNAPSHOT", p.snapshotPath},
      {"no_proxy", "*"},
  };
  // The sanitizer build's options reach the program too (a preloaded time library
  // needs the link order check off).
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) env[name] = value;
  }
  for (const auto& [k, v] : extraEnv) env[k] = v;
  if (env.count("DISPLAY")) env.erase("QT_QPA_PLATFORM");
  std::vector<std::string> envStrings;
  for (const auto& [k, v] : env) envStrings.push_back(k + "=" + v);
  std::vector<std::string> argStrings = {programFile};
  argStrings.insert(argStrings.end(), args.begin(), args.end());

  p.pid = fork();
  if (p.pid < 0) throw std::runtime_error("fork failed");
  if (p.pid == 0) {
    if (userId) {
      if (setgroups(0, nullptr) != 0 || setgid(*userId) != 0 || setuid(*userId) != 0) _exit(125);
    }
    if (chdir(workFolder.c_str()) != 0) _exit(126);
    std::vector<char*> argv, envp;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(argStrings[0].c_str(), argv.data(), envp.data());
    _exit(127);
  }
  return p;
}

std::optional<int> WaitForExit(RunningProgram& program, double limitSeconds) {
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::duration<double>(limitSeconds);
  while (program.pid > 0) {
    int status = 0;
    const pid_t r = waitpid(program.pid, &status, WNOHANG);
    if (r == program.pid) {
      program.pid = -1;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return 128 + WTERMSIG(status);
    }
    if (clock::now() > end) {
      kill(program.pid, SIGKILL);
      waitpid(program.pid, nullptr, 0);
      program.pid = -1;
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

bool IsRunning(const RunningProgram& program) {
  return program.pid > 0 && waitpid(program.pid, nullptr, WNOHANG) == 0;
}

void Terminate(const RunningProgram& program) {
  if (program.pid > 0) kill(program.pid, SIGTERM);
}

QJsonObject ReadDump(const RunningProgram& program) {
  const std::string bytes = ReadFile(program.dumpPath);
  return QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object();
}

bool WaitForDump(const RunningProgram& program, double limitSeconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(limitSeconds);
  while (!FileExists(program.dumpPath)) {
    if (std::chrono::steady_clock::now() > end || !IsRunning(program)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

namespace {

// Asks for a grab with a time stamp a minute ahead of the server's clock (Xvfb counts
// the same monotonic milliseconds as we do): the server answers "already grabbed" when
// another client holds it, and otherwise refuses the time, so the probe never takes a
// grab a program is about to ask for.
xcb_timestamp_t AheadOfTheServer() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  return static_cast<xcb_timestamp_t>(ms + 60000);
}

template <typename Probe>
bool Grabbed(const std::string& display, Probe probe) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  bool grabbed = false;
  if (xcb_connection_has_error(c) == 0) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    grabbed = probe(c, root) == XCB_GRAB_STATUS_ALREADY_GRABBED;
  }
  // A grab the probe was given after all ends with the connection.
  xcb_disconnect(c);
  return grabbed;
}

}  // namespace

bool KeyboardGrabbed(const std::string& display) {
  return Grabbed(display, [](xcb_connection_t* c, xcb_window_t root) {
    xcb_grab_keyboard_reply_t* r = xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 0, root, AheadOfTheServer(), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const int status = r ? r->status : -1;
    std::free(r);
    return status;
  });
}

bool PointerGrabbed(const std::string& display) {
  return Grabbed(display, [](xcb_connection_t* c, xcb_window_t root) {
    xcb_grab_pointer_reply_t* r = xcb_grab_pointer_reply(
        c,
        xcb_grab_pointer(c, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE,
                         XCB_CURSOR_NONE, AheadOfTheServer()),
        nullptr);
    const int status = r ? r->status : -1;
    std::free(r);
    return status;
  });
}

std::string ShellOutput(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

HelperProcess::HelperProcess(const std::string& display, const std::vector<std::string>& argv) {
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (auto& a : args) raw.push_back(a.data());
    raw.push_back(nullptr);
    execvp(raw[0], raw.data());
    _exit(127);
  }
}

HelperProcess::~HelperProcess() { Stop(); }

void HelperProcess::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

void HelperProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

}  // namespace nimbulux::test
