// The nimbulux program: a desktop weather widget. Everything starts with the load of
// the hidden control form; the program ends through its exit routine, also when the
// system asks it to terminate.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>

#include "app/control_form.h"
#include "app/platform_choice.h"
#include "core/program_paths.h"
#include "net/http_fetch.h"

namespace {

int g_signalFds[2] = {-1, -1};

// SIGTERM, SIGINT and SIGHUP end the program through its exit routine; SIGUSR1 asks for
// a refresh, as the menu's refresh entry does.
void OnSignal(int signal) {
  const char byte = signal == SIGUSR1 ? 'r' : 'x';
  // Only async-signal-safe work here; the event loop does the rest.
  [[maybe_unused]] const ssize_t n = write(g_signalFds[0], &byte, 1);
}

QString CommandLineText(int argc, char** argv) {
  QStringList parts;
  for (int i = 1; i < argc; ++i) parts << QString::fromLocal8Bit(argv[i]);
  return parts.join(' ');
}

// True when an X server answers on DISPLAY.
bool XServerAnswers() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool ok = xcb_connection_has_error(c) == 0;
  xcb_disconnect(c);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const nimbulux::PlatformChoice platform = nimbulux::ChoosePlatform(
      std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), args);
  if (platform.useXcb) setenv("QT_QPA_PLATFORM", "xcb", 1);
  // Without this, Qt aborts with a long text about platform plugins.
  if (platform.needsXServer && !XServerAnswers()) {
    std::fputs(nimbulux::NoXServerMessage(std::getenv("DISPLAY")).c_str(), stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Nimbulux");
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                          .arg(NIMBULUX_VERSION_MAJOR)
                                          .arg(NIMBULUX_VERSION_MINOR)
                                          .arg(NIMBULUX_VERSION_PATCH));
  QApplication::setDesktopFileName("nimbulux");
  // Hiding the last window (the widget into the tray) must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  nimbulux::Paths() =
      nimbulux::MakeProgramPaths(QCoreApplication::applicationFilePath().toStdString());

  nimbulux::ControlForm form;

  if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) == 0) {
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
      char byte = 0;
      if (read(g_signalFds[1], &byte, 1) != 1) return;
      if (byte == 'r') {
        form.RequestRefresh();
      } else {
        form.RequestExit();
      }
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
  }

  // The form takes the application's quit (the session manager at log-out) into its exit
  // routine; an event loop ended some other way still saves on the way out.
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] { form.RequestExit(); });

  form.Load(CommandLineText(argc, argv));
  const int status = QApplication::exec();
  nimbulux::EndNetwork();
  return status;
}
