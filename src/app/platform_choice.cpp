#include "app/platform_choice.h"

namespace nimbulux {

PlatformChoice ChoosePlatform(const char* qpaPlatform, const char* waylandDisplay,
                              const std::vector<std::string>& args) {
  std::string chosen = qpaPlatform ? qpaPlatform : "";
  // The command line wins over the environment.
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-platform" || args[i] == "--platform") chosen = args[i + 1];
  }
  PlatformChoice choice;
  if (!chosen.empty()) {
    choice.needsXServer = chosen.starts_with("xcb");
    return choice;
  }
  choice.useXcb = waylandDisplay && *waylandDisplay;
  return choice;
}

std::string NoXServerMessage(const char* display) {
  std::string text =
      display && *display
          ? "nimbulux: no X server answers on DISPLAY=" + std::string(display) + ".\n"
          : std::string("nimbulux: no X server to show the widget on (DISPLAY is not set).\n");
  text +=
      "The widget needs X11; in a Wayland session it runs through XWayland. Start it from a "
      "desktop session, or set QT_QPA_PLATFORM=offscreen to run it without a screen.\n";
  return text;
}

}  // namespace nimbulux
