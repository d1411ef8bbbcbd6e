#include "app/command_line.h"

#include "weather/weather_state.h"

namespace nimbulux {

CommandLineOptions ParseCommandLine(TextView arguments) {
  CommandLineOptions o;
  Text normal = ReplaceAll(arguments, u" ", u"/");
  normal = ReplaceAll(normal, u"-", u"/");
  normal = LowerCase(normal);
  for (const Text& token : Split(normal, u"/")) {
    const std::vector<Text> pieces = Split(token, u"=");
    if (pieces.empty()) continue;
    if (pieces[0] == u"autoexit") {
      o.AutoExit = true;
      if (pieces.size() >= 2) {
        // A value too large for the count is not taken; the earlier one stays.
        if (auto ms = ToInt32(LeadingNumber(pieces[1]) * 1000.0)) o.AutoExitDelayMs = *ms;
      }
    } else if (pieces[0] == u"local") {
      if (pieces.size() >= 2) {
        o.LocalArgument = pieces[1];
        o.CityFixed = true;
      }
    }
  }
  return o;
}

Text CityFromProgramName(TextView baseName) {
  const auto n = ToInt32(LeadingNumber(baseName));
  if (n && *n > 100000000 && *n < 999999999) return Text(baseName);
  return {};
}

int WidgetTimerIntervalMs(const CommandLineOptions& options) {
  if (options.AutoExit && options.AutoExitDelayMs > 0 && options.AutoExitDelayMs <= 65535) {
    return options.AutoExitDelayMs;
  }
  return kTickIntervalMs;
}

}  // namespace nimbulux
