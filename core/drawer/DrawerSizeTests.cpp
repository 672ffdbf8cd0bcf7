#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/drawer/DrawerGrowth.h"
#include "core/drawer/DrawerSize.h"
#include "core/drawer/DrawerTestSupport.h"
#include "core/drawer/RailSplit.h"
#include "core/drawer/StyleChange.h"

namespace brimly {
namespace {

TEST(DrawerSizeTest, ExpandedSizesFollowTheScreen) {
    // name, layout, screen, visible frame (pills only), size
    const std::tuple<const char*, ShelfLayoutKind, Rect, std::optional<Rect>, Size> cases[] = {
        {"rail", ShelfLayoutKind::rail, {0, 0, 1440, 900}, std::nullopt, {720, 320}},
        {"rail short", ShelfLayoutKind::rail, {0, 0, 800, 300}, std::nullopt, {720, 252}},
        {"stacks narrow", ShelfLayoutKind::stacks, {0, 0, 800, 300}, std::nullopt, {752, 176}},
        {"column", ShelfLayoutKind::column, {0, 0, 1440, 900}, std::nullopt, {480, 648}},
        // 0.72 x 400 clamps up to 360, then the screen limit (352) wins.
        {"column short", ShelfLayoutKind::column, {0, 0, 1440, 400}, std::nullopt, {480, 352}},
        {"column tall", ShelfLayoutKind::column, {0, 0, 1440, 2000}, std::nullopt, {480, 720}},
        {"side stacks", ShelfLayoutKind::sideStacks, {0, 0, 1440, 900}, std::nullopt, {204, 852}},
        // Pills leave the peek gap twice and the message room.
        {"pill", ShelfLayoutKind::rail, {0, 0, 1440, 900}, Rect{0, 100, 1440, 300}, {720, 240}},
        {"tiny", ShelfLayoutKind::rail, {0, 0, 40, 30}, std::nullopt, {0, 0}},
        {"tiny pill", ShelfLayoutKind::stacks, {0, 0, 1440, 900}, Rect{0, 0, 1440, 50}, {880, 0}},
    };
    for (const auto& [name, kind, screen, visible, expected] : cases) {
        EXPECT_EQ(DrawerSize::expanded(kind, screen, visible), expected) << name;
    }
}

TEST(DrawerSizeTest, PanelHoldsEveryLayoutOfTheStyle) {
    Rect screen{0, 0, 1440, 900};
    Rect visible{0, 0, 1440, 875};
    EXPECT_EQ(DrawerSize::panel(DisplayStyle::notch(), screen, visible), (Size{880, 360}));
    // Notch styles ignore the visible frame.
    EXPECT_EQ(DrawerSize::panel(DisplayStyle::hoverNotch(), screen, Rect{0, 0, 1440, 100}), (Size{880, 360}));
    EXPECT_EQ(DrawerSize::panel(DisplayStyle::pill(PillSide::left), screen, visible), (Size{480, 855}));
    EXPECT_EQ(DrawerSize::panel(DisplayStyle::pill(PillSide::bottom), screen, Rect{0, 0, 1440, 300}),
              (Size{880, 280}));

    EXPECT_EQ(DrawerSize::fillingCard(200, 20), (Size{180, 135}));
    // 0.75 x 202 = 151.5 rounds away from zero.
    EXPECT_EQ(DrawerSize::fillingCard(222, 20), (Size{202, 152}));
}

TEST(DrawerGrowthTest, PerceivedProgressAndLengths) {
    EXPECT_DOUBLE_EQ(DrawerGrowth::perceived(0), 0);
    EXPECT_NEAR(DrawerGrowth::perceived(1), 1, 1e-12);
    // ln(1 + 4.2497 x 0.5) / ln(5.2497), and below 0 the slope at 0: 4.2497 / ln(5.2497) x -0.1.
    EXPECT_NEAR(DrawerGrowth::perceived(0.5), 0.687135, 1e-6);
    EXPECT_NEAR(DrawerGrowth::perceived(-0.1), -0.256290, 1e-6);
    // Rising, and ahead of the progress itself: early progress counts for more.
    for (int step = 1; step < 10; ++step) {
        double x = step / 10.0;
        EXPECT_GT(DrawerGrowth::perceived(x), DrawerGrowth::perceived(x - 0.1)) << x;
        EXPECT_GT(DrawerGrowth::perceived(x), x) << x;
    }

    // Halfway between 220 and 720 geometrically is their geometric mean, sqrt(158400).
    EXPECT_NEAR(DrawerGrowth::length(220, 720, 0.5), 397.994975, 1e-6);
    EXPECT_DOUBLE_EQ(DrawerGrowth::length(0, 100, 0.3), 30);
    EXPECT_DOUBLE_EQ(DrawerGrowth::length(10, 0, 0.5), 5);

    EXPECT_DOUBLE_EQ(DrawerGrowth::reveal(0.5), 0);
    EXPECT_DOUBLE_EQ(DrawerGrowth::reveal(1.2), 1);
    EXPECT_NEAR(DrawerGrowth::reveal(0.8), 0.494428, 1e-6);
    EXPECT_DOUBLE_EQ(DrawerGrowth::scale(0), 38.0 / 320);
    EXPECT_DOUBLE_EQ(DrawerGrowth::scale(1), 1);

    EXPECT_DOUBLE_EQ(DrawerGrowth::proportional(10, 5, 20), 2.5);
    EXPECT_DOUBLE_EQ(DrawerGrowth::proportional(10, -5, 20), 0);
    EXPECT_DOUBLE_EQ(DrawerGrowth::proportional(10, 50, 20), 10);
    EXPECT_DOUBLE_EQ(DrawerGrowth::proportional(10, 5, 0), 10);
}

TEST(DrawerGrowthTest, FrameKeepsItsEdgeAndGrowsBetweenBothEnds) {
    // name, from, to, the attached edge, where that edge stands at rest and open
    const std::tuple<const char*, Rect, Rect, RectSide, double (Rect::*)() const, double> cases[] = {
        {"notch", {620, 868, 200, 32}, {360, 540, 720, 360}, RectSide::maxY, &Rect::maxY, 900},
        {"left pill", {90, 388, 4, 48}, {90, 100, 480, 670}, RectSide::minX, &Rect::minX, 90},
        {"right pill", {1426, 413, 4, 48}, {950, 10, 480, 700}, RectSide::maxX, &Rect::maxX, 1430},
        {"bottom pill", {696, 10, 48, 4}, {280, 10, 880, 216}, RectSide::minY, &Rect::minY, 10},
    };
    for (const auto& [name, from, to, edge, attached, line] : cases) {
        SCOPED_TRACE(name);
        for (double hold : {0.0, 0.4}) {
            EXPECT_TRUE(nearRect(DrawerGrowth::frame(from, to, 0, edge, hold), from));
            EXPECT_TRUE(nearRect(DrawerGrowth::frame(from, to, 1, edge, hold), to));
        }
        Rect previous = from;
        for (double p : {0.25, 0.5, 0.75}) {
            Rect r = DrawerGrowth::frame(from, to, p, edge, 0);
            EXPECT_NEAR((r.*attached)(), line, 1e-9) << p;
            EXPECT_TRUE(r.width > previous.width && r.height > previous.height) << p;
            EXPECT_TRUE(r.width < to.width && r.height < to.height) << p;
            previous = r;
        }
    }
    // The line hold: the axis along the edge waits, the depth grows from the start.
    Rect from{620, 868, 200, 32};
    Rect to{360, 540, 720, 360};
    Rect held = DrawerGrowth::frame(from, to, 0.3, RectSide::maxY, 0.4);
    EXPECT_NEAR(held.width, 200, 1e-9);
    EXPECT_GT(held.height, 32);
    EXPECT_NEAR(held.maxY(), 900, 1e-9);
    Rect sideHeld = DrawerGrowth::frame({90, 388, 4, 48}, {90, 100, 480, 670}, 0.3, RectSide::minX, 0.4);
    EXPECT_NEAR(sideHeld.height, 48, 1e-9);
    EXPECT_GT(sideHeld.width, 4);
    // A hold of 1 or more is capped at 0.99 and still ends open.
    EXPECT_TRUE(nearRect(DrawerGrowth::frame(from, to, 1, RectSide::maxY, 5), to));
    // Overshoot past zero width never gives a negative size.
    Rect shrink = DrawerGrowth::frame({0, 0, 10, 10}, {0, 0, 0, 0}, 1.5, RectSide::minY, 0);
    EXPECT_EQ(shrink.width, 0);
    EXPECT_EQ(shrink.height, 0);
}

TEST(RailSplitTest, WidthAndColumns) {
    RailSplit split{700, 160, 1, 3, 8, 150};
    EXPECT_DOUBLE_EQ(split.maximum(), 549);
    EXPECT_DOUBLE_EQ(split.width(std::numeric_limits<double>::quiet_NaN()), 160);
    EXPECT_DOUBLE_EQ(split.width(std::numeric_limits<double>::infinity()), 160);
    EXPECT_DOUBLE_EQ(split.width(100), 160);
    EXPECT_DOUBLE_EQ(split.width(300), 300);
    EXPECT_DOUBLE_EQ(split.width(1000), 549);
    const std::tuple<RailSplit, double, int> cases[] = {
        {split, 160, 3},
        {split, 300, 2},
        {split, 1000, 1},
        {split, std::numeric_limits<double>::quiet_NaN(), 3},
        {{4000, 160, 1, 3, 8, 150}, 160, 3},      // never more than `columns`
        {{100, 160, 1, 3, 8, 150}, 160, 1},       // never 0
        {{700, 160, 1, 0, 8, 150}, 160, 1},       // a layout without columns still shows one
        {{700, 160, 1, 3, 0, 0}, 160, 3},         // no column width: no division by zero
        {{1e300, 160, 1, 5, 8, 1e-300}, 160, 5},  // a quotient past int's range
    };
    for (const auto& [rail, sidebar, columns] : cases) {
        EXPECT_EQ(rail.columnCount(sidebar), columns) << rail.content << " " << sidebar;
    }
}

TEST(StyleChangeTest, LeaveAndArriveWithGenerations) {
    using Action = StyleChange::Action;
    const auto notch = DisplayStyleChoice::notch();
    const auto left = DisplayStyleChoice::pill(PillSide::left);
    const auto right = DisplayStyleChoice::pill(PillSide::right);

    auto change = StyleChange::make(notch);
    EXPECT_EQ(change.request({.choice = notch, .showsAtRest = true, .animate = true}), Action::none());
    EXPECT_EQ(change.request({.choice = left, .showsAtRest = true, .animate = true}), Action::leave(1));
    EXPECT_TRUE(change.isLeaving);
    // A third style during the leave waits; the leave ends in it.
    EXPECT_EQ(change.request({.choice = right, .showsAtRest = true, .animate = true}), Action::none());
    EXPECT_EQ(change.leaveEnded(0), Action::none());
    EXPECT_EQ(change.leaveEnded(1), Action::apply(right, true, 2));
    EXPECT_EQ(change, (StyleChange{right, right, false, 2}));
    EXPECT_EQ(change.leaveEnded(2), Action::none());

    // Going back to the leaving style makes it arrive again; the old leave's callback is stale.
    change = StyleChange::make(notch);
    EXPECT_EQ(change.request({.choice = left, .showsAtRest = true, .animate = true}), Action::leave(1));
    EXPECT_EQ(change.request({.choice = notch, .showsAtRest = true, .animate = true}),
              Action::apply(notch, true, 2));
    EXPECT_EQ(change.leaveEnded(1), Action::none());
    EXPECT_EQ(change.applied, notch);

    // Nothing on screen at rest: the new style arrives at once.
    change = StyleChange::make(notch);
    EXPECT_EQ(change.request({.choice = left, .animate = true}), Action::apply(left, true, 1));

    // Without animation: applied directly, also in the middle of a leave.
    change = StyleChange::make(notch);
    EXPECT_EQ(change.request({.choice = notch, .showsAtRest = true}), Action::none());
    EXPECT_EQ(change.request({.choice = left, .showsAtRest = true, .animate = true}), Action::leave(1));
    EXPECT_EQ(change.request({.choice = left, .showsAtRest = true}), Action::apply(left, false, 2));
    EXPECT_FALSE(change.isLeaving);

    change = StyleChange::make(notch);
    EXPECT_EQ(change.settle(), Action::none());
    change.request({.choice = right, .showsAtRest = true, .animate = true});
    EXPECT_EQ(change.settle(), Action::apply(right, false, 2));
    EXPECT_EQ(change.settle(), Action::none());

    EXPECT_TRUE(StyleChange::pulses(false, false));
    EXPECT_FALSE(StyleChange::pulses(true, false));
    EXPECT_FALSE(StyleChange::pulses(false, true));
}

}  // namespace
}  // namespace brimly
