// An X server of its own for a test (Xvfb on a free display), stopped with the object.
#pragma once

#include <string>
#include <vector>

namespace nimbulux::test {

class XvfbDisplay {
 public:
  // screen as "WIDTHxHEIGHTxDEPTH".
  explicit XvfbDisplay(const std::string& screen = "1024x768x24");
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // ":<n>", for DISPLAY.
  const std::string& display() const { return display_; }

  // Whether Xvfb is installed here (tests that need it skip otherwise).
  static bool Available();

 private:
  int pid_ = -1;
  std::string display_;
};

// trayer, a tray host, on a display with the given options; stopped with the object.
class TrayerOnDisplay {
 public:
  TrayerOnDisplay(const std::string& display, const std::vector<std::string>& options);
  ~TrayerOnDisplay();
  TrayerOnDisplay(const TrayerOnDisplay&) = delete;
  TrayerOnDisplay& operator=(const TrayerOnDisplay&) = delete;

 private:
  int pid_ = -1;
};

}  // namespace nimbulux::test
