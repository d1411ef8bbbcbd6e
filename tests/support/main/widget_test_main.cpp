// The main of a test program with widgets. The application object lives on main's stack,
// so it is destroyed, with the font caches it owns, before the leak check at exit.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
