// The one QApplication of a test program with widgets, made by its main.
#pragma once

#include <QApplication>

namespace nimbulux::test {

inline QApplication& TestApplication() {
  return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace nimbulux::test
