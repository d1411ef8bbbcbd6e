#include "app/tray_bridge.h"

#include "tray/tray_icon.h"

namespace nimbulux {

std::optional<QImage> TrayNumberIcon(std::int16_t& value, TextView rules, bool cpuMode) {
  return TemperatureIcon(value, rules, cpuMode);
}

std::string TrayIconFileBytes() {
  const IconBytes& icon = IconBuffer();
  return std::string(reinterpret_cast<const char*>(icon.data()), icon.size());
}

void LoadTrayIconResources(std::string_view header, std::string_view digits) {
  LoadTrayResources(header, digits);
}

}  // namespace nimbulux
