// Runs that take the 30-second widget tick.
#include <gtest/gtest.h>

#include <chrono>

#include "e2e_support.h"
#include "support/portal_process.h"

using namespace nimbulux::test;

TEST(EndToEndSlow, AutoexitBeyondTheTimerRangeWaitsForTheThirtySecondTick) {
  PortalProcess portal;
  ProgramFolder folder;
  folder.WriteSettings({"[SYSTEM]", "LocalID=101010100"});
  const auto start = std::chrono::steady_clock::now();
  RunningProgram run = StartProgram(folder, {"autoexit=70"}, portal.base());
  EXPECT_EQ(WaitForExit(run, 90), std::optional<int>(0));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // It ends at the first tick: not after 70 s, and not before 30 s.
  EXPECT_GE(seconds, 29.5);
  EXPECT_LT(seconds, 70);
  EXPECT_NE(folder.ReadSettings().find("CurrentX=600"), std::string::npos);
}
