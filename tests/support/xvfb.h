// An X server of its own for a test (Xvfb on a free display), stopped with the object.
#pragma once

#include <string>

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

}  // namespace nimbulux::test
