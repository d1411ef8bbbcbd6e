#include <gtest/gtest.h>

#include "net/portal.h"
#include "weather/city_directory.h"

namespace nimbulux {
namespace {

// A page in the portal's form: quoted class names, the first block marked with the "1"
// variant, an empty heading in the middle.
const char kPage[] =
    "<html><head><title>list</title></head><body>"
    "<div class=\"tmapin_citylist1\"><h3>北京</h3><ul>"
    "<li><a href=\"http://x/html/weather/101010100.shtml\">北京</a></li>"
    "<li><a href=\"http://x/html/weather/101010200.shtml\">海淀</a></li></ul><ul>other</ul></div>"
    "<div class=\"tmapin_citylist\"><h3></h3><ul>"
    "<li><a href=\"/html/weather/101020100.shtml\">上海</a></li></ul></div>"
    "<div class=\"tmapin_citylist\"><h3>广东</h3><ul>"
    "<li><a href=\"/html/weather/101280101.shtml\">广州</a></li>"
    "<li>没有链接</li></ul></div>"
    "</body></html>";

TEST(CityDirectoryTest, RegionsKeepTheirOwnBlocks) {
  const CityDirectory directory = ParseCityDirectory(T(kPage));
  ASSERT_EQ(directory.RegionNames.size(), 4u);  // the text before the first block is block 0
  const std::vector<RegionEntry> regions = ListedRegions(directory);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].Name, u"北京");
  EXPECT_EQ(regions[0].Block, 1u);
  EXPECT_EQ(regions[1].Name, u"广东");
  EXPECT_EQ(regions[1].Block, 3u);

  // The body ends at the block's second "<ul>".
  const std::vector<ListedCity> beijing = CitiesOfRegion(directory.RegionBodies[1]);
  ASSERT_EQ(beijing.size(), 2u);
  EXPECT_EQ(beijing[0].Id, u"101010100");
  EXPECT_EQ(beijing[1].Name, u"海淀");

  const std::vector<ListedCity> guangdong = CitiesOfRegion(directory.RegionBodies[3]);
  ASSERT_EQ(guangdong.size(), 2u);
  EXPECT_EQ(guangdong[0].Name, u"广州");
  EXPECT_EQ(guangdong[0].Id, u"101280101");
  // An item without a link is listed all the same, with an empty id.
  EXPECT_EQ(guangdong[1].Id, u"");
}

TEST(CityDirectoryTest, PageWithoutBlocksListsNothing) {
  EXPECT_TRUE(ListedRegions(ParseCityDirectory(u"")).empty());
  EXPECT_TRUE(ListedRegions(ParseCityDirectory(u"<html>error 404</html>")).empty());
  // A page that starts with a block still never lists the text before it.
  const CityDirectory directory =
      ParseCityDirectory(u"<div class=tmapin_citylist><b>河北</b><ul><li>x</li>");
  ASSERT_EQ(ListedRegions(directory).size(), 1u);
  EXPECT_EQ(ListedRegions(directory)[0].Name, u"河北");
}

TEST(CityDirectoryTest, SearchReplyAndBounds) {
  EXPECT_EQ(CityIdFromSearchReply(u"<a href=\"/html/weather/101010100.shtml\">"), u"101010100");
  EXPECT_EQ(CityIdFromSearchReply(u"/html/weather/999999999.shtml"), u"");
  EXPECT_EQ(CityIdFromSearchReply(u"nothing here"), u"");
  EXPECT_EQ(portal::SearchBody(u"北京"), "cityinfo=\xE5\x8C\x97\xE4\xBA\xAC");
  EXPECT_EQ(portal::SearchBody(u"a b&c"), "cityinfo=a b&c");  // no encoding, no trimming

  const ListedCity selected{u"海淀", u"101010200"};
  auto searchGives = [](Text id) { return [id](TextView) { return id; }; };
  // A known typed name wins over the boxes, as typed.
  ChosenCity chosen = ResolveChosenCity(u"beijing", selected, searchGives(u"101010100"));
  EXPECT_EQ(chosen.Name, u"beijing");
  EXPECT_EQ(chosen.Id, u"101010100");
  // Codes at or beyond the bounds are not cities: the selection is taken instead.
  for (const Text& id : {Text(u"100000000"), Text(u"999999999"), Text(u""), Text(u"abc")}) {
    chosen = ResolveChosenCity(u"x", selected, searchGives(id));
    EXPECT_EQ(chosen.Id, u"101010200");
  }
  // Unknown name, nothing selected: nothing designated.
  EXPECT_FALSE(ResolveChosenCity(u"x", std::nullopt, searchGives(u"")).IsCity());
  // Nothing typed: the search is not asked.
  bool asked = false;
  chosen = ResolveChosenCity(u"", selected, [&](TextView) {
    asked = true;
    return Text();
  });
  EXPECT_FALSE(asked);
  EXPECT_EQ(chosen.Name, u"海淀");
}

TEST(CityDirectoryTest, FrameNeedsRegionAndCity) {
  CityFrame frame([](TextView) { return Text(); });
  frame.SetDirectory(ParseCityDirectory(T(kPage)));
  EXPECT_FALSE(frame.Resolve(u"", 0).IsCity());  // no region chosen yet
  frame.ChooseRegion(1);
  ASSERT_EQ(frame.Cities().size(), 2u);
  EXPECT_EQ(frame.Resolve(u"", 0).Id, u"101280101");
  // A directory item without a link designates nothing.
  EXPECT_FALSE(frame.Resolve(u"", 1).IsCity());
  EXPECT_FALSE(frame.Resolve(u"", -1).IsCity());
}

TEST(WatchedListTest, AddRemoveAndMove) {
  WatchedListModel list({{u"北京", u"101010100", true}, {u"上海", u"101020100", false}});
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.RemoveSelected());
  EXPECT_FALSE(list.MoveSelectedUp());

  // The same name and id: nothing changes; the same id under another name is a new line.
  EXPECT_FALSE(list.Add({u"北京", u"101010100"}));
  EXPECT_FALSE(list.Add({u"", u"101010100"}));
  EXPECT_TRUE(list.Add({u"Beijing", u"101010100"}));
  ASSERT_EQ(list.Lines().size(), 3u);
  EXPECT_EQ(list.Lines()[2], (WatchedLine{u"Beijing;101010100", false}));
  EXPECT_EQ(list.Selected(), 2);

  // Down on the last line does nothing; up carries the check mark along.
  EXPECT_FALSE(list.MoveSelectedDown());
  list.Select(0);
  EXPECT_FALSE(list.MoveSelectedUp());
  EXPECT_TRUE(list.MoveSelectedDown());
  EXPECT_EQ(list.Selected(), 1);
  EXPECT_EQ(list.Lines()[0], (WatchedLine{u"上海;101020100", false}));
  EXPECT_EQ(list.Lines()[1], (WatchedLine{u"北京;101010100", true}));

  EXPECT_TRUE(list.RemoveSelected());
  const WatchedCityList cities = list.Cities();
  ASSERT_EQ(cities.size(), 2u);
  EXPECT_EQ(cities[1], (WatchedCity{u"Beijing", u"101010100", false}));
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.RemoveSelected());
  list.Select(7);
  EXPECT_EQ(list.Selected(), -1);
}

}  // namespace
}  // namespace nimbulux
