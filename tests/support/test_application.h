// The one QApplication of a test program that needs widgets, made on first use.
#pragma once

#include <QApplication>

namespace nimbulux::test {

inline QApplication& TestApplication(const char* programName) {
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(programName), nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace nimbulux::test
