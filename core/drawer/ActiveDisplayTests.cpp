#include <gtest/gtest.h>

#include "core/drawer/ActiveDisplay.h"

namespace brimly {
namespace {

using Window = ActiveDisplay::Window;
using Hit = ActiveDisplay::Hit;

const ActiveDisplay::Displays displays = {{5, {0, 0, 1440, 900}}, {2, {1440, 0, 1920, 1080}}};

TEST(ActiveDisplayTest, HitFallsThroughTransparentWindows) {
    const std::vector<Window> windows = {
        {10, 0, 0.0, {100, 100, 500, 500}},  // transparent: clicks fall through
        {11, 25, 1.0, {0, 875, 3360, 25}},   // menu bar
        {12, 0, 1.0, {300, 300, 200, 200}},
    };
    EXPECT_EQ(ActiveDisplay::hit({150, 150}, windows, displays), Hit::desktop(5));
    EXPECT_EQ(ActiveDisplay::hit({350, 350}, windows, displays), Hit::window());
    EXPECT_EQ(ActiveDisplay::hit({50, 880}, windows, displays), Hit::other());
    EXPECT_EQ(ActiveDisplay::hit({2000, 500}, windows, displays), Hit::desktop(2));
    EXPECT_EQ(ActiveDisplay::hit({-50, 500}, windows, displays), Hit::other());
}

TEST(ActiveDisplayTest, PickFollowsTheFrontApplicationsLargestOverlap) {
    using Pid = std::optional<std::int32_t>;
    using Display = std::optional<DisplayID>;
    // clang-format off
    // name, windows, front application, previous display, picked display
    const std::tuple<const char*, std::vector<Window>, Pid, Display, Display> cases[] = {
        {"no front app keeps previous", {{1, 0, 1, {0, 0, 500, 500}}}, std::nullopt, 2, 2},
        {"previous unplugged", {}, std::nullopt, 9, std::nullopt},
        {"window on the left display", {{1, 0, 1, {100, 100, 500, 500}}}, 1, 2, 5},
        {"only small windows", {{1, 0, 1, {100, 100, 79, 500}}, {1, 0, 1, {100, 100, 500, 60}}}, 1, 2, 2},
        {"other app, other layer, transparent", {{7, 0, 1, {0, 0, 500, 500}}, {1, 3, 1, {0, 0, 500, 500}}, {1, 0, 0, {0, 0, 500, 500}}}, 1, 2, 2},
        {"straddling picks more overlap", {{1, 0, 1, {1300, 100, 500, 500}}}, 1, std::nullopt, 2},
        // 200 on each side: the lower display ID wins the tie.
        {"equal overlap picks the lower id", {{1, 0, 1, {1240, 100, 400, 400}}}, 1, 5, 2},
        {"off-screen window skipped", {{1, 0, 1, {5000, 5000, 500, 500}}, {1, 0, 1, {100, 100, 500, 500}}}, 1, 2, 5},
    };
    // clang-format on
    for (const auto& [name, windows, front, previous, expected] : cases) {
        EXPECT_EQ(ActiveDisplay::pick(windows, front, displays, previous), expected) << name;
    }
}

TEST(ActiveDisplayTest, DesktopClickPinsWhileTheFinderStaysInFront) {
    const std::int32_t finder = 100;
    const std::int32_t editor = 200;
    const std::int32_t browser = 300;
    const std::vector<Window> editorOnLeft = {{editor, 0, 1, {100, 100, 800, 600}}};
    const std::vector<Window> finderOnLeft = {{finder, 0, 1, {100, 100, 800, 600}}};

    ActiveDisplay::Tracker tracker;
    EXPECT_TRUE(tracker.update(editorOnLeft, editor, finder, displays));
    EXPECT_EQ(tracker.active, 5u);
    EXPECT_FALSE(tracker.update(editorOnLeft, editor, finder, displays));

    // A click on display 2's desktop with the editor in front, then the Finder comes forward.
    tracker.click(Hit::desktop(2), editor, finder);
    EXPECT_EQ(tracker.pin, (ActiveDisplay::Tracker::Pin{2, {finder, editor}}));
    EXPECT_TRUE(tracker.update(finderOnLeft, finder, finder, displays));
    EXPECT_EQ(tracker.active, 2u);
    EXPECT_EQ(tracker.pin->pids, (std::set<std::int32_t>{finder}));
    // Switching between Finder windows on display 5 keeps display 2.
    EXPECT_FALSE(tracker.update(finderOnLeft, finder, finder, displays));
    EXPECT_EQ(tracker.active, 2u);
    // Any other application hands the decision back to the window rule.
    EXPECT_TRUE(tracker.update({{browser, 0, 1, {100, 100, 800, 600}}}, browser, finder, displays));
    EXPECT_EQ(tracker.active, 5u);
    EXPECT_EQ(tracker.pin, std::nullopt);

    // A pin on a display that went away is dropped.
    tracker.click(Hit::desktop(9), finder, finder);
    tracker.update(finderOnLeft, finder, finder, displays);
    EXPECT_EQ(tracker.pin, std::nullopt);

    tracker.click(Hit::desktop(2), std::nullopt, std::nullopt);
    EXPECT_EQ(tracker.pin->pids, std::set<std::int32_t>{});
    tracker.click(Hit::other(), finder, finder);
    EXPECT_TRUE(tracker.pin.has_value());
    tracker.click(Hit::window(), finder, finder);
    EXPECT_EQ(tracker.pin, std::nullopt);

    ActiveDisplay::Tracker empty;
    EXPECT_FALSE(empty.update({}, std::nullopt, std::nullopt, displays));
}

TEST(ActiveDisplayTest, ShownKeepsABusyDrawerAndFallsBack) {
    const std::set<DisplayID> both = {2, 5};
    EXPECT_EQ(ActiveDisplay::shown(2, 5, true, both, 5), 5u);
    EXPECT_EQ(ActiveDisplay::shown(2, 5, false, both, 5), 2u);
    EXPECT_EQ(ActiveDisplay::shown(9, 5, false, both, 2), 5u);
    EXPECT_EQ(ActiveDisplay::shown(std::nullopt, std::nullopt, false, both, 5), 5u);
    // Everything but the main display unplugged.
    EXPECT_EQ(ActiveDisplay::shown(2, 2, true, {5}, 5), 5u);
    EXPECT_EQ(ActiveDisplay::shown(std::nullopt, 9, false, both, 7), 2u);
    EXPECT_EQ(ActiveDisplay::shown(2, 5, true, {}, 5), std::nullopt);
}

}  // namespace
}  // namespace brimly
