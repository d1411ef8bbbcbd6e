// libFuzzer target over the city list page and the city search reply: every region the
// box lists must point at a block that exists, and a city code is a slice of the reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "weather/city_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbulux;
  const Text page = FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  const CityDirectory directory = ParseCityDirectory(page);
  if (directory.RegionNames.size() != directory.RegionBodies.size()) std::abort();
  for (const RegionEntry& region : ListedRegions(directory)) {
    if (region.Block == 0 || region.Block >= directory.RegionBodies.size()) std::abort();
    for (const ListedCity& city : CitiesOfRegion(directory.RegionBodies[region.Block])) {
      (void)WatchedLineText(city.Name, city.Id);
    }
  }
  const Text id = CityIdFromSearchReply(page);
  if (!id.empty() && page.find(id) == Text::npos) std::abort();
  return 0;
}
