#include <gtest/gtest.h>

#include "widget/docking.h"
#include "widget/font_choice.h"
#include "widget/mouse_commands.h"

namespace nimbulux {
namespace {

TEST(MouseCommands, IndexSwitchAlternatesAndLeavesColumnsAloneWithoutTemperature) {
  IndexViewChange first = ToggleIndexView(4, true);
  EXPECT_EQ(first.ViewMode, 2);
  EXPECT_EQ(first.ShowColumns3And4, false);
  IndexViewChange second = ToggleIndexView(first.ViewMode, true);
  EXPECT_EQ(second.ViewMode, 4);
  EXPECT_EQ(second.ShowColumns3And4, true);
  IndexViewChange bare = ToggleIndexView(2, false);
  EXPECT_EQ(bare.ViewMode, 4);
  EXPECT_FALSE(bare.ShowColumns3And4.has_value());
  // Days and cities alternate; any positive value counts as cities.
  EXPECT_EQ(NextShowSeveralCities(0), 1);
  EXPECT_EQ(NextShowSeveralCities(7), 0);
}

TEST(MouseCommands, PressesDragOrOpenMenus) {
  EXPECT_EQ(PressActionFor(true, 2000, 300, 0, false), PressAction::Drag);
  EXPECT_EQ(PressActionFor(true, 2000, 300, 0, true), PressAction::None);
  // Right presses work while locked; over the city name they open the city menu.
  EXPECT_EQ(PressActionFor(false, 2000, 300, -30, true), PressAction::CityMenu);
  EXPECT_EQ(PressActionFor(false, 2000, 600, -30, false), PressAction::ControlMenu);
  EXPECT_EQ(PressActionFor(false, 2000, 599, -30, false), PressAction::CityMenu);
}

TEST(MouseCommands, TopmostAfterDragAndIndexHover) {
  EXPECT_FALSE(TopmostAfterDrag(500, false));
  EXPECT_TRUE(TopmostAfterDrag(500, true));
  EXPECT_TRUE(TopmostAfterDrag(1, false));
  EXPECT_TRUE(TopmostAfterDrag(0, false));
  EXPECT_TRUE(TopmostAfterDrag(-300, false));

  const int off = -30;
  EXPECT_EQ(NormalViewAfterMove(3000, off + 1500, off, 2, true, true), false);
  EXPECT_FALSE(NormalViewAfterMove(3000, off + 1500, off, 2, true, false).has_value());
  EXPECT_EQ(NormalViewAfterMove(2640, off + 1500, off, 2, true, false), true);
  EXPECT_EQ(NormalViewAfterMove(3000, off + 2000, off, 2, true, false), true);
  EXPECT_FALSE(NormalViewAfterMove(3000, off + 1500, off, 4, true, true).has_value());
  EXPECT_FALSE(NormalViewAfterMove(3000, off + 1500, off, 2, false, true).has_value());
}

TEST(FontChoice, RegionTestPicksSlotAndFont) {
  for (int off : {-30, 0, 40}) {
    SCOPED_TRACE(off);
    EXPECT_EQ(FontRegionAt(3000, off + 700, off, 4), (FontSlotChoice{1, FontKind::Temperature}));
    EXPECT_EQ(FontRegionAt(3000, off + 500, off, 4), (FontSlotChoice{0, FontKind::Normal}));
    EXPECT_EQ(FontRegionAt(2000, 300, off, 4), (FontSlotChoice{2, FontKind::Normal}));
    EXPECT_EQ(FontRegionAt(3000, off + 1500, off, 4), std::nullopt);
    EXPECT_EQ(FontRegionAt(3000, off + 1500, off, 2), (FontSlotChoice{3, FontKind::Normal}));
    EXPECT_EQ(FontRegionAt(500, off + 700, off, 4), (FontSlotChoice{4, FontKind::Normal}));
    EXPECT_EQ(FontRegionAt(500, off + 1000, off, 4), (FontSlotChoice{1, FontKind::Normal}));
    EXPECT_EQ(FontRegionAt(1000, off + 2400, off, 2), std::nullopt);
    // The boundary line between the upper and lower parts belongs to neither region test
    // of the lower part.
    EXPECT_EQ(FontRegionAt(3000, off + 1200, off, 2), std::nullopt);
  }
}

TEST(FontChoice, HeightsPointsAndPaletteNumbers) {
  const std::pair<int, int> heights[] = {{9, 12}, {10, 14}, {11, 15}, {12, 16}, {24, 32}};
  for (auto [points, height] : heights) EXPECT_EQ(FontHeightFromPoints(points), height) << points;
  EXPECT_EQ(PointsFromTenths(245), 24);
  EXPECT_EQ(PointsFromTenths(255), 26);
  EXPECT_EQ(PointsFromTenths(244), 24);
  EXPECT_EQ(PointsFromTenths(246), 25);
  EXPECT_EQ(PaletteNumberOf(0xFF0000), 12);
  EXPECT_EQ(PaletteNumberOf(0x800000), 4);
  EXPECT_EQ(PaletteNumberOf(0xC0C0C0), 7);
  EXPECT_EQ(PaletteNumberOf(0x808080), 8);
  EXPECT_EQ(PaletteNumberOf(0x000000), 0);
  EXPECT_EQ(PaletteNumberOf(0x123456), std::nullopt);
  EXPECT_EQ(ColourAfterChoice(11, 0xFF0000), 12);
  EXPECT_EQ(ColourAfterChoice(11, 0xFF0001), 11);
}

TEST(FontChoice, ApplyingChoicesMovesOffsetsAndKeepsStateOnCancel) {
  // "℃" is as tall as the point size in twips times 1.3, twice that in bold.
  const MeasureDegreeHeight measure = [](const WidgetFont& f, bool bold) {
    return f.Size * 20 * 1.3 * (bold ? 2 : 1);
  };
  TextFonts fonts;
  fonts.Normal = {u"Noto Sans CJK SC", 9};
  const TextFonts before = fonts;
  EXPECT_FALSE(ApplyFontChoice(fonts, {1, FontKind::Normal}, std::nullopt, measure));
  EXPECT_FALSE(
      ApplyFontChoice(fonts, {1, FontKind::Normal}, FontColourChoice{{u"", 12}, 12}, measure));
  EXPECT_EQ(fonts, before);

  ASSERT_TRUE(ApplyFontChoice(fonts, {1, FontKind::Normal},
                              FontColourChoice{{u"DejaVu Sans", 10}, 12}, measure));
  EXPECT_EQ(fonts.TextColours, (std::array<int, 5>{15, 12, 10, 8, 11}));
  EXPECT_EQ(fonts.Normal, (WidgetFont{u"DejaVu Sans", 10}));
  EXPECT_EQ(fonts.Temperature, before.Temperature);
  EXPECT_EQ(fonts.TextOffset, -40);  // (180 - 260) / 2
  // A larger normal font moves the texts up by half the growth of the text height.
  ApplyFontChoice(fonts, {0, FontKind::Normal}, FontColourChoice{{u"DejaVu Sans", 12}, 15},
                  measure);
  EXPECT_EQ(fonts.TextOffset, -40 - 26);

  ASSERT_TRUE(ApplyFontChoice(fonts, {1, FontKind::Temperature},
                              FontColourChoice{{u"Liberation Sans", 10}, 4}, measure));
  EXPECT_EQ(fonts.Temperature, (WidgetFont{u"Liberation Sans", 10}));
  EXPECT_EQ(fonts.TempTextOffset, 555 - 520);
  EXPECT_EQ(fonts.TextColours[1], 4);
}

TEST(Docking, DockedWidgetHidesNearItsEdgesAndComesBackOnItsStrip) {
  DockGeometry w;
  w.LeftTwips = 1500;  // 100 pixels; right edge at 400 pixels
  w.TopTwips = kDockedTopTwips;
  EXPECT_EQ(TopAfterPointerMove(w, {200, 100}), kDockedTopTwips);
  EXPECT_EQ(TopAfterPointerMove(w, {119, 100}), kHiddenTopTwips);
  EXPECT_EQ(TopAfterPointerMove(w, {120, 100}), kDockedTopTwips);
  EXPECT_EQ(TopAfterPointerMove(w, {361, 100}), kHiddenTopTwips);
  EXPECT_EQ(TopAfterPointerMove(w, {200, 166}), kHiddenTopTwips);  // bottom at 205 pixels
  EXPECT_EQ(TopAfterPointerMove(w, {200, 165}), kDockedTopTwips);

  w.TopTwips = kHiddenTopTwips;
  EXPECT_EQ(TopAfterPointerMove(w, {200, 10}), kDockedTopTwips);
  // At the ends of the strip it stays up, or it would hide again at the next move.
  EXPECT_EQ(TopAfterPointerMove(w, {105, 10}), kHiddenTopTwips);
  EXPECT_EQ(TopAfterPointerMove(w, {390, 10}), kHiddenTopTwips);
  w.TopTwips = TopAfterPointerMove(w, {200, 10});
  EXPECT_EQ(TopAfterPointerMove(w, {201, 11}), kDockedTopTwips);

  EXPECT_EQ(DockStateOf(kDockedTopTwips), DockState::Docked);
  EXPECT_EQ(DockStateOf(kHiddenTopTwips), DockState::Hidden);
  for (double top : {-300.0, 0.0, 0.5, -3000.0}) {
    w.TopTwips = top;
    EXPECT_EQ(DockStateOf(top), DockState::Free);
    EXPECT_EQ(TopAfterPointerMove(w, {200, 10}), kHiddenTopTwips) << top;
  }
  w.TopTwips = 600;
  EXPECT_EQ(TopAfterPointerMove(w, {101, 50}), 600);
}

TEST(WindowStyles, TogglesResetAndLayeredParameters) {
  StyleContext ctx;
  ctx.Opacity = 200;
  ctx.Position = {12000, kDockedTopTwips};
  ctx.ScreenWidthTwips = 1920 * 15;
  ctx.ScreenHeightTwips = 1080 * 15;

  StyleEffects trans = StyleEntryClicked(StyleEntry::Trans, {}, ctx);
  EXPECT_TRUE(trans.Marks.Trans);
  ASSERT_TRUE(trans.Style);
  EXPECT_EQ(*trans.Style, (LayeredAttributes{true, 200, 0x000000, true, true}));

  // Into the desktop and out again: the same place on the screen.
  StyleEffects in = StyleEntryClicked(StyleEntry::Desk, {}, ctx);
  EXPECT_EQ(in.Embedded, true);
  EXPECT_TRUE(in.ProcessPendingEvents);
  StyleEffects out = StyleEntryClicked(StyleEntry::Desk, in.Marks, ctx);
  EXPECT_EQ(out.Embedded, false);
  EXPECT_FALSE(out.Marks.Desk);
  EXPECT_EQ(in.MoveTo, ctx.Position);
  EXPECT_EQ(out.MoveTo, ctx.Position);

  // The reset keeps the opacity and centres the widget, docked or not.
  StyleEffects reset = StyleEntryClicked(StyleEntry::Default, {true, true, true, true}, ctx);
  EXPECT_EQ(reset.Marks, WindowStyleMarks{});
  EXPECT_EQ(reset.Embedded, false);
  EXPECT_EQ(reset.Style, (LayeredAttributes{false, 200, 0x000000, true, true}));
  EXPECT_EQ(reset.Topmost, false);
  EXPECT_EQ(reset.MoveTo, (TwipsPoint{12150, 6562.5}));
  EXPECT_TRUE(reset.ShowAndFocus && reset.ProcessPendingEvents);

  EXPECT_EQ(OpacityFromScrollValue(-5), 0);
  EXPECT_EQ(OpacityFromScrollValue(300), 255);
  EXPECT_EQ(WindowStyleParameters(false, 0).Opacity, 0);
}

}  // namespace
}  // namespace nimbulux
