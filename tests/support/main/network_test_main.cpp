// The main of a test program that fetches over the network without widgets: the fetch
// waits in an event loop, which needs the application object.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "net/http_fetch.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  nimbulux::EndNetwork();
  return result;
}
