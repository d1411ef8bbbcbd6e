#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/portal_process.h"
#include "weather/city_directory.h"
#include "weather/weather_state.h"

namespace nimbulux {
namespace {

using test::PortalProcess;

TEST(CityDirectoryPortalTest, DirectoryLoadsOncePerRunAndSearchFindsNames) {
  PortalProcess portal;
  Weather().PortalBase.clear();
  // The first drop-down of a run finds no portal: the directory stays empty for the run.
  setenv("NIMBULUX_PORTAL", "http://127.0.0.1:1", 1);
  ResetCityDirectoryForTesting();
  EXPECT_TRUE(ListedRegions(LoadCityDirectory()).empty());
  EXPECT_TRUE(CityDirectoryLoaded());
  setenv("NIMBULUX_PORTAL", portal.base().c_str(), 1);
  EXPECT_TRUE(ListedRegions(LoadCityDirectory()).empty());

  ResetCityDirectoryForTesting();
  const CityDirectory& directory = LoadCityDirectory();
  const std::vector<RegionEntry> regions = ListedRegions(directory);
  ASSERT_FALSE(regions.empty());
  bool foundBeijing = false;
  for (const RegionEntry& region : regions) {
    for (const ListedCity& city : CitiesOfRegion(directory.RegionBodies[region.Block])) {
      EXPECT_TRUE(IsCityId(city.Id)) << ToUtf8(city.Name);
      if (city.Name == u"北京") {
        foundBeijing = true;
        EXPECT_EQ(city.Id, u"101010100");
        EXPECT_EQ(region.Name, u"华北");
      }
    }
  }
  EXPECT_TRUE(foundBeijing);

  setenv("NIMBULUX_SEARCH", portal.base().c_str(), 1);
  EXPECT_EQ(CitySearch(u"北京"), u"101010100");
  EXPECT_EQ(CitySearch(u"shanghai"), u"101020100");
  EXPECT_EQ(CitySearch(u"无此城市"), u"");  // the service answers 999999999
  portal.Stop();
  EXPECT_EQ(CitySearch(u"北京"), u"");
  unsetenv("NIMBULUX_SEARCH");
  unsetenv("NIMBULUX_PORTAL");
}

}  // namespace
}  // namespace nimbulux
