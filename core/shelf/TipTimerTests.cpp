#include <gtest/gtest.h>

#include <string>

#include "core/shelf/TipPlacement.h"
#include "core/shelf/TipTimer.h"

namespace brimly {
namespace {

using Timer = TipTimer<std::string>;

Timer makeTimer() { return Timer(0.5, 0.24, 0.76); }

TEST(TipTimerTest, FirstTipIsSlowAndNeighboursFollowQuicklyWhileWarm) {
    Timer timer = makeTimer();
    EXPECT_DOUBLE_EQ(timer.rest(0), 0.5);
    timer.rested("a", 1);
    EXPECT_EQ(timer.shown(), "a");
    EXPECT_DOUBLE_EQ(timer.rest(1), 0.24);

    timer.moved(false, 2);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Warm{2.76}));
    EXPECT_FALSE(timer.shown());
    EXPECT_DOUBLE_EQ(timer.rest(2.5), 0.24);
    timer.rested("b", 2.5);
    EXPECT_EQ(timer.shown(), "b");

    timer.moved(false, 3);
    EXPECT_DOUBLE_EQ(timer.rest(3.76), 0.5);
    timer.tick(3.76);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Idle{}));
}

TEST(TipTimerTest, DismissedTipStaysAwayUntilThePointerLeaves) {
    Timer timer = makeTimer();
    timer.rested("a", 1);
    timer.dismiss("a");
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Held{"a"}));
    EXPECT_FALSE(timer.shown());
    EXPECT_EQ(timer.current(), "a");
    timer.rested("a", 2);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Held{"a"}));
    timer.moved(true, 3);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Held{"a"}));
    timer.moved(false, 4);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Idle{}));
    timer.rested("a", 5);
    EXPECT_EQ(timer.shown(), "a");
}

TEST(TipTimerTest, DismissAndRestWithoutATip) {
    Timer timer = makeTimer();
    timer.dismiss("x");
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Held{"x"}));
    timer.reset();

    timer.rested("a", 1);
    timer.moved(false, 2);
    timer.rested(std::nullopt, 2.1);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Warm{2.76}));
    timer.rested(std::nullopt, 3);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Idle{}));

    timer.rested("a", 4);
    timer.moved(false, 5);
    timer.dismiss(std::nullopt);
    EXPECT_EQ(timer.phase(), Timer::Phase(Timer::Idle{}));
}

TEST(TipPlacementTest, FramesStayInsideBoundsAndClearOfTheAvoidedArea) {
    using TipPlacement::Edge;
    const Rect bounds{0, 0, 400, 300};
    const Size padding{6, 4};
    const auto none = std::nullopt;
    // clang-format off
    // name, tip size, text origin, edge, area to avoid, frame
    const std::tuple<const char*, Size, Point, Edge, std::optional<Rect>, Rect> cases[] = {
        {"above the text", {100, 20}, {50, 100}, Edge::top, none, {44, 96, 100, 20}},
        {"below the text", {100, 20}, {50, 100}, Edge::bottom, none, {44, 84, 100, 20}},
        {"larger than bounds", {500, 400}, {50, 100}, Edge::top, none, {0, 0, 400, 300}},
        {"past the right edge", {100, 20}, {380, 100}, Edge::top, none, {300, 96, 100, 20}},
        {"past the left and bottom", {100, 20}, {2, 1}, Edge::bottom, none, {0, 0, 100, 20}},
        {"moves past the avoided area", {100, 20}, {50, 100}, Edge::top, Rect{0, 90, 400, 50}, {44, 140, 100, 20}},
        {"never leaves bounds for it", {100, 20}, {50, 100}, Edge::top, Rect{0, 90, 400, 200}, {44, 280, 100, 20}},
        {"untouched when clear", {100, 20}, {50, 100}, Edge::top, Rect{200, 0, 50, 50}, {44, 96, 100, 20}},
    };
    // clang-format on
    for (const auto& [name, size, origin, edge, avoid, expected] : cases) {
        EXPECT_EQ(TipPlacement::frame(size, origin, edge, padding, bounds, avoid), expected) << name;
    }
}

}  // namespace
}  // namespace brimly
