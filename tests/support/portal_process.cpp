#include "support/portal_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace nimbulux::test {

std::string PortalProcess::Binary() {
  const char* bin = std::getenv("NIMBULUX_PORTAL_BIN");
  if (bin && *bin) return bin;
  return std::string(NIMBULUX_BINARY_DIR) + "/tools/portal/nimbulux-portal";
}

PortalProcess::PortalProcess(std::vector<std::string> extraArgs, std::string stderrFile) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const std::string bin = Binary();
  // With a log file the request log is wanted; without one it would only fill the test's.
  std::vector<std::string> args = {bin, "--port", "0"};
  if (stderrFile.empty()) args.push_back("--quiet");
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(fds[1], 1);
    if (!stderrFile.empty()) {
      const int log = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (log >= 0) dup2(log, 2);
    }
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(bin.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  // The server prints "PORT <n>" once it listens.
  FILE* out = fdopen(fds[0], "r");
  char line[256];
  while (out && std::fgets(line, sizeof line, out)) {
    if (std::strncmp(line, "PORT ", 5) == 0) {
      port_ = std::atoi(line + 5);
      break;
    }
  }
  if (out) std::fclose(out);
  if (port_ <= 0) {
    Stop();
    throw std::runtime_error("portal server did not start: " + bin);
  }
}

PortalProcess::~PortalProcess() { Stop(); }

std::string PortalProcess::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

void PortalProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
}

}  // namespace nimbulux::test
