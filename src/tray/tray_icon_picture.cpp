// Kept apart from the byte logic so that the bytes can be used without the picture decoder.
#include "tray/tray_icon.h"

namespace nimbulux {

std::optional<Picture> TemperatureIcon(std::int16_t& value, TextView rules, bool cpuMode) {
  IconBytes& buffer = detail::MutableIconBuffer();
  DrawTrayNumber(buffer, value, rules, cpuMode);
  return PictureFromBytes(
      std::string_view(reinterpret_cast<const char*>(buffer.data()), buffer.size()));
}

}  // namespace nimbulux
