// libFuzzer target over the reader of the real-time conditions reply: any reply must be
// read without a crash or an out-of-range access, and the temperature icon is only asked
// for a temperature that was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "weather/conditions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbulux;
  const Text reply = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  WeatherState state;
  const ConditionsResult result = ReadConditions(reply, state);
  if (!result.useTemperatureIcon && result.wholeDegrees != 0) std::abort();
  return 0;
}
