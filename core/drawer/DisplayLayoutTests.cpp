#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/drawer/DisplayLayout.h"
#include "core/drawer/DisplayVisibility.h"
#include "core/drawer/DrawerTestSupport.h"
#include "core/drawer/Interpolation.h"

namespace brimly {
namespace {

const Rect laptop{0, 0, 1440, 900};
const Rect laptopVisible{0, 0, 1440, 875};
const Rect dockLeftVisible{80, 0, 1360, 875};
const Rect dockBottomVisible{0, 60, 1440, 815};
const Rect external{1440, 100, 1920, 1080};

NotchGeometry notchedLaptop() {
    return NotchGeometry::compute(laptop, 32, Rect{0, 875, 620, 25}, Rect{820, 875, 620, 25});
}

DisplayLayout pill(PillSide side, const Rect& visible) {
    return DisplayLayout::make(DisplayStyleChoice::pill(side), NotchGeometry{laptop, std::nullopt}, visible);
}

// The layouts most cases share: the notched laptop, a notch choice on the external display, and pills.
class DisplayLayoutTest : public ::testing::Test {
protected:
    DisplayLayout notched = DisplayLayout::make(DisplayStyleChoice::notch(), notchedLaptop(), laptopVisible);
    DisplayLayout hover =
        DisplayLayout::make(DisplayStyleChoice::notch(), NotchGeometry{external, std::nullopt}, std::nullopt);
    DisplayLayout left = pill(PillSide::left, dockLeftVisible);
    DisplayLayout right = pill(PillSide::right, laptopVisible);
    DisplayLayout bottom = pill(PillSide::bottom, dockLeftVisible);
};

TEST_F(DisplayLayoutTest, MakeResolvesStyleNotchAndVisibleFrame) {
    EXPECT_EQ(notched.style(), DisplayStyle::notch());
    EXPECT_EQ(notched.notch(), (Rect{620, 868, 200, 32}));

    // A notch choice on an external display becomes the virtual notch at the top centre.
    EXPECT_EQ(hover.style(), DisplayStyle::hoverNotch());
    EXPECT_EQ(hover.notch(), std::nullopt);
    EXPECT_EQ(hover.visibleFrame(), external);

    // A pill on a notched display drops the notch rectangle.
    auto pillOnNotch =
        DisplayLayout::make(DisplayStyleChoice::pill(PillSide::left), notchedLaptop(), std::nullopt);
    EXPECT_EQ(pillOnNotch.notch(), std::nullopt);
    DisplayLayout direct(DisplayStyle::hoverNotch(), laptop, laptopVisible, Rect{1, 2, 3, 4});
    EXPECT_EQ(direct.notch(), std::nullopt);

    const std::pair<std::optional<Rect>, Rect> visibles[] = {
        {std::nullopt, laptop},
        {Rect{3000, 0, 100, 100}, laptop},  // no overlap at all
        {Rect{1440, 0, 100, 900}, laptop},  // touches the edge only
        {Rect{0, 0, 1440, 0}, laptop},      // empty
        {Rect{-100, -50, 800, 2000}, Rect{0, 0, 700, 900}},
        {laptopVisible, laptopVisible},
    };
    for (const auto& [visible, expected] : visibles) {
        EXPECT_EQ(DisplayLayout::make(DisplayStyleChoice::notch(), notchedLaptop(), visible).visibleFrame(),
                  expected);
    }
}

TEST_F(DisplayLayoutTest, RestingRectanglesPerStyle) {
    const auto none = std::nullopt;
    // clang-format off
    // name, layout, trailing counter width, collapsed, rest, pill line, hot zone
    const std::tuple<const char*, const DisplayLayout&, double, Rect, Rect, std::optional<Rect>, Rect> cases[] = {
        {"notch", notched, 0, {620, 868, 200, 32}, {620, 868, 200, 32}, none, {612, 868, 216, 33}},
        {"notch+24", notched, 24, {620, 868, 200, 32}, {620, 868, 224, 32}, none, {612, 868, 240, 33}},
        {"hover+30", hover, 30, {2300, 1148, 200, 32}, {2300, 1148, 230, 32}, none, {2276, 1160, 278, 21}},
        {"left", left, 24, {90, 388, 132, 99}, {90, 388, 132, 99}, Rect{90, 413.5, 4, 48}, {80, 403.5, 24, 68}},
        // Centred on the whole screen although the Dock on the left narrows the visible frame.
        {"bottom", bottom, 24, {654, 10, 132, 99}, {654, 10, 132, 99}, Rect{696, 10, 48, 4}, {686, 0, 68, 24}},
        {"right", right, 0, {1298, 388, 132, 99}, {1298, 388, 132, 99}, Rect{1426, 413.5, 4, 48}, {1416, 403.5, 24, 68}},
    };
    // clang-format on
    for (const auto& [name, layout, trailing, collapsed, rest, line, hot] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(nearRect(layout.collapsedRect(), collapsed));
        EXPECT_TRUE(nearRect(layout.restRect(trailing), rest));
        EXPECT_EQ(layout.pillLineRect(), line);
        EXPECT_TRUE(nearRect(layout.hotZone(trailing), hot));
    }
    // The topmost pixel row of a notch counts as inside.
    EXPECT_TRUE(notched.hotZone(0).contains({700, 899.5}));
    EXPECT_TRUE(hover.hotZone(0).contains({2290, 1179.9}));
    EXPECT_FALSE(hover.hotZone(0).contains({2290, 1159}));

    const std::pair<int, double> counters[] = {{0, 0}, {1, 24}, {9, 24}, {10, 30}, {99, 30}, {100, 38}};
    for (auto [count, width] : counters) EXPECT_EQ(DisplayLayout::counterWidth(count), width) << count;
}

TEST_F(DisplayLayoutTest, OpenDrawerAndPanelRectangles) {
    auto narrow = DisplayLayout::make(DisplayStyleChoice::notch(),
                                      NotchGeometry{{0, 0, 600, 400}, std::nullopt}, std::nullopt);
    auto bottomDock = pill(PillSide::bottom, dockBottomVisible);
    // name, layout, drawer size, message band, drawer
    const std::tuple<const char*, const DisplayLayout&, Size, double, Rect> cases[] = {
        {"notch", notched, {720, 320}, 40, {360, 540, 720, 360}},
        // Wider than the screen: pinned to the screen's left edge.
        {"narrow", narrow, {720, 320}, 0, {0, 80, 720, 320}},
        {"left", left, {480, 630}, 40, {90, 82.5, 480, 670}},
        // Too tall for the visible frame: the message band rests on its floor.
        {"right", right, {480, 900}, 40, {950, 10, 480, 940}},
        {"bottom", bottom, {880, 176}, 40, {280, 10, 880, 216}},
        {"bottom dock", bottomDock, {880, 320}, 40, {280, 70, 880, 360}},
    };
    for (const auto& [name, layout, size, message, drawer] : cases) {
        EXPECT_TRUE(nearRect(layout.drawerRect(size, message), drawer)) << name;
    }

    EXPECT_TRUE(nearRect(notched.panelFrame({880, 360}), {256, 516, 928, 384}));
    EXPECT_TRUE(nearRect(notched.panelFrame(), {256, 516, 928, 384}));
    EXPECT_TRUE(nearRect(bottomDock.panelFrame({880, 360}), {256, 46, 928, 408}));
    // Grown by the margin, then cut to the screen.
    EXPECT_TRUE(nearRect(right.panelFrame({480, 900}), {926, 0, 514, 900}));

    EXPECT_TRUE(nearRect(bottom.messageBand({280, 10, 880, 216}, 40), {280, 186, 880, 40}));
    EXPECT_TRUE(nearRect(notched.messageBand({360, 540, 720, 360}, 40), {360, 540, 720, 40}));
    EXPECT_TRUE(nearRect(left.messageBand({90, 82.5, 480, 20}, 40), {90, 82.5, 480, 20}));
    EXPECT_TRUE(bottom.messageOnTop());
    EXPECT_FALSE(left.messageOnTop());
    EXPECT_FALSE(notched.messageOnTop());

    EXPECT_EQ(notched.drawerSize(ShelfLayoutKind::rail), (Size{720, 320}));
    // Pills count the visible frame: 300 - 2 x 10 - 40.
    auto shortBottom = pill(PillSide::bottom, Rect{0, 100, 1440, 300});
    EXPECT_EQ(shortBottom.drawerSize(ShelfLayoutKind::rail), (Size{720, 240}));
}

TEST_F(DisplayLayoutTest, HoverAndClosingRectangles) {
    Rect open{360, 540, 720, 360};
    EXPECT_EQ(notched.hoverRect(open), open);
    EXPECT_EQ(left.hoverRect(open), (Rect{350, 530, 740, 380}));
    EXPECT_TRUE(notched.closingDrawerReopens());
    EXPECT_FALSE(left.closingDrawerReopens());

    Rect rest = notched.restRect(24);
    EXPECT_TRUE(nearRect(notched.closingDrawerRect(open, 24, 0, 0.32), open));
    EXPECT_TRUE(nearRect(notched.closingDrawerRect(open, 24, 100, 0.32), rest, 1e-6));
    EXPECT_EQ(notched.closingDrawerRect(open, 24, 0, 0), rest);
    EXPECT_EQ(notched.closingDrawerRect(open, 24, 0, -1), rest);
    // A quarter of the duration in, a critically damped spring with period d stands at
    // (1 + pi/2) e^(-pi/2) = 0.534416 of the way from the rest rectangle to the open one.
    EXPECT_TRUE(nearRect(notched.closingDrawerRect(open, 24, 0.08, 0.32), mix(rest, open, 0.534416), 1e-4));
    // In between it only ever shrinks.
    double previous = open.width;
    for (double elapsed = 0.04; elapsed < 0.32; elapsed += 0.04) {
        double width = notched.closingDrawerRect(open, 24, elapsed, 0.32).width;
        EXPECT_LT(width, previous) << elapsed;
        previous = width;
    }
}

TEST_F(DisplayLayoutTest, PeekCardStaysInsideTheVisibleFrame) {
    EXPECT_EQ(notched.peekCardRect(), std::nullopt);
    EXPECT_EQ(notched.peekTuckRoom(), 0);
    // name, pill side, visible frame, card, tuck room
    const std::tuple<const char*, PillSide, Rect, Rect, double> cases[] = {
        {"left", PillSide::left, dockLeftVisible, {90, 388, 132, 99}, 90},
        {"right", PillSide::right, laptopVisible, {1298, 388, 132, 99}, 10},
        {"bottom", PillSide::bottom, dockBottomVisible, {654, 70, 132, 99}, 70},
        // A visible frame too short for the card keeps it on the frame's floor.
        {"short", PillSide::left, {0, 400, 1440, 60}, {10, 410, 132, 99}, 10},
        // A wide Dock on the left would cover a centred bottom card: it slides right.
        {"wide dock", PillSide::bottom, {700, 0, 740, 875}, {710, 10, 132, 99}, 10},
    };
    for (const auto& [name, side, visible, card, tuck] : cases) {
        SCOPED_TRACE(name);
        auto layout = pill(side, visible);
        EXPECT_TRUE(nearRect(layout.peekCardRect().value_or(Rect{}), card));
        EXPECT_DOUBLE_EQ(layout.peekTuckRoom(), tuck);
    }
}

TEST(MenuPlacementTest, OpensBelowWhenItFitsElseAbove) {
    Rect control{100, 500, 30, 20};
    EXPECT_DOUBLE_EQ(MenuPlacement::originY(control, 200, 0, 1000, 4), -4);
    // The ceiling pulls the menu down when the control sits above it.
    EXPECT_DOUBLE_EQ(MenuPlacement::originY(control, 200, 0, 450, 4), -50);
    EXPECT_DOUBLE_EQ(MenuPlacement::originY(control, 200, 400, 1000, 4), 224);
    // Exactly fitting still opens below.
    EXPECT_DOUBLE_EQ(MenuPlacement::originY(control, 200, 296, 1000, 4), -4);
}

TEST(DisplayVisibilityTest, CountsAppearancesAndRegions) {
    DisplayVisibility visibility;
    EXPECT_TRUE(visibility.visible(1).empty());
    for (int i = 0; i < 3; ++i) visibility.appear("a", 1);
    visibility.appear("b", 1);
    visibility.appear("c", 2);
    visibility.disappear("a", 1);
    EXPECT_EQ(visibility.appeared.at(1).at("a"), 2);
    visibility.disappear("b", 1);
    EXPECT_FALSE(visibility.appeared.at(1).contains("b"));
    visibility.disappear("missing", 1);
    visibility.disappear("a", 9);
    EXPECT_FALSE(visibility.appeared.contains(9));

    EXPECT_TRUE(visibility.setRegion("strip", {"x", "a"}, 1));
    EXPECT_FALSE(visibility.setRegion("strip", {"x", "a"}, 1));
    EXPECT_TRUE(visibility.setRegion("strip", {"y"}, 1));
    EXPECT_TRUE(visibility.setRegion("rail", {}, 3));
    EXPECT_EQ(visibility.visible(1), (std::set<std::string>{"a", "y"}));

    visibility.keep({1, 3});
    EXPECT_FALSE(visibility.appeared.contains(2));
    EXPECT_TRUE(visibility.regions.contains(3));
    visibility.clear(1);
    EXPECT_TRUE(visibility.visible(1).empty());
    EXPECT_EQ(visibility, (DisplayVisibility{{}, {{3, {{"rail", {}}}}}}));
}

}  // namespace
}  // namespace brimly
