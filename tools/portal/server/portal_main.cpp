// nimbulux-portal: the weather portal of Nimbulux, demo or live (see --help).
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "live/live_source.h"
#include "server/live_routes.h"
#include "server/portal_options.h"
#include "server/portal_server.h"

using namespace nimbulux::portal_server;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParsePortalOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "nimbulux-portal: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(PortalHelpText().c_str(), stdout);
    return 0;
  }

  if (options->source == PortalOptions::Source::kLive) {
    InitUpstreamClient();
    const LiveSourceOptions live = LiveSourceOptionsFrom(*options);
    std::fprintf(stderr,
                 "nimbulux-portal: live weather from %s, air quality from %s. %s.\n"
                 "nimbulux-portal: cache in %s, codes of places found by name in %s\n",
                 live.forecastBase.c_str(), live.airQualityBase.c_str(), kDataCredit,
                 live.cacheDir.c_str(), live.placeFile.c_str());
  }

  // A client that goes away mid-reply must not end the server.
  std::signal(SIGPIPE, SIG_IGN);
  // SIGTERM and SIGINT are taken by a thread of ours, so stopping runs outside a
  // signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
  // Headers and body go out as separate writes; without this, Nagle's algorithm and
  // delayed acknowledgements hold every keep-alive reply back by tens of milliseconds.
  server.set_tcp_nodelay(true);
  SetUpPortal(server, *options);

  int port = options->port;
  if (port == 0) {
    port = server.bind_to_any_port(options->bind);
    if (port <= 0) {
      std::fprintf(stderr, "nimbulux-portal: cannot listen on %s\n", options->bind.c_str());
      return 1;
    }
  } else if (!server.bind_to_port(options->bind, port)) {
    std::fprintf(stderr, "nimbulux-portal: cannot listen on %s:%d\n", options->bind.c_str(), port);
    return 1;
  }

  std::thread stopper([&server, stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    EndPendingDelays();
    server.stop();
    // Requests held by an injected delay may still run; do not wait for them long.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::fflush(stderr);
    std::_Exit(0);
  });
  stopper.detach();

  std::printf("PORT %d\n", port);
  std::fflush(stdout);
  server.listen_after_bind();
  return 0;
}
