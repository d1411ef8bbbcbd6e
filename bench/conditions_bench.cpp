// Real-time fetches against the demo portal on loopback: FetchConditions end to end
// (HTTP GET, decoding and piece reading).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "weather/conditions.h"

namespace {

// Starts nimbulux-portal on a free port; stops it when the object goes.
class Portal {
 public:
  Portal() {
    const char* env = std::getenv("NIMBULUX_PORTAL_BIN");
    const std::string bin =
        env && *env ? env : std::string(NIMBULUX_BINARY_DIR) + "/tools/portal/nimbulux-portal";
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      execl(bin.c_str(), bin.c_str(), "--port", "0", "--quiet", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    FILE* out = fdopen(fds[0], "r");
    char line[128];
    while (out && std::fgets(line, sizeof line, out)) {
      if (std::strncmp(line, "PORT ", 5) == 0) {
        port_ = std::atoi(line + 5);
        break;
      }
    }
    if (out) std::fclose(out);
  }
  ~Portal() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

void BM_FetchConditions(benchmark::State& state) {
  Portal portal;
  if (portal.port() <= 0) {
    state.SkipWithError("portal server did not start");
    return;
  }
  nimbulux::Weather().PortalBase =
      nimbulux::FromUtf8("http://127.0.0.1:" + std::to_string(portal.port()));
  nimbulux::Weather().CurrentCityId = u"101010100";
  for (auto _ : state) {
    const auto result = nimbulux::FetchConditions();
    benchmark::DoNotOptimize(result);
    if (nimbulux::Weather().State.NowTimeText.empty()) {
      state.SkipWithError("empty reply");
      break;
    }
  }
}
BENCHMARK(BM_FetchConditions)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the fetch waits in an event loop
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
