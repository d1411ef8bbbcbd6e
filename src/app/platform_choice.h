// Which window system the widget runs on. It needs X11: a frameless window on Wayland
// cannot place itself, stay above or below other windows, or keep out of the task bar,
// so docking, stored positions and the desktop style would break. In a Wayland session
// it therefore runs through XWayland, unless the user chose a platform.
#pragma once

#include <string>
#include <vector>

namespace nimbulux {

struct PlatformChoice {
  bool useXcb = false;       // choose the X11 platform before the application starts
  bool needsXServer = true;  // the platform that will run is X11
};

// qpaPlatform: QT_QPA_PLATFORM; waylandDisplay: WAYLAND_DISPLAY (either may be null);
// args: the command line without the program name ("-platform NAME" chooses too).
PlatformChoice ChoosePlatform(const char* qpaPlatform, const char* waylandDisplay,
                              const std::vector<std::string>& args);

// What to tell the user when no X server answers; display is DISPLAY (may be null).
std::string NoXServerMessage(const char* display);

}  // namespace nimbulux
