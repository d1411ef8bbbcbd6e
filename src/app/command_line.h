// The program's command line and the city named by the program file: options are
// case-insensitive, and blanks, "-" and "/" all separate them.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace nimbulux {

struct CommandLineOptions {
  bool AutoExit = false;
  std::int32_t AutoExitDelayMs = 0;  // 0: no value given
  Text LocalArgument;                // a city code or a city name; empty when absent
  bool CityFixed = false;            // "local=X" was given
};

// Parses the argument text (without the program's own path). A later value of an
// option replaces an earlier one; unknown tokens are ignored.
CommandLineOptions ParseCommandLine(TextView arguments);

// The base name of the program file when it reads as a city code, else empty.
Text CityFromProgramName(TextView baseName);

// The widget timer's interval: 30 s, or the autoexit delay when it fits the timer's
// 16-bit millisecond count.
int WidgetTimerIntervalMs(const CommandLineOptions& options);

inline constexpr int kTickIntervalMs = 30000;

}  // namespace nimbulux
