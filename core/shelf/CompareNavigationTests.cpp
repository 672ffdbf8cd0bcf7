#include <gtest/gtest.h>

#include <limits>

#include "core/shelf/CompareNavigation.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using namespace CompareNavigation;

TEST(CompareNavigationTest, StepVersionAndWipeClamp) {
    EXPECT_EQ(step(0, -1, 3), 0);
    EXPECT_EQ(step(2, 1, 3), 2);
    EXPECT_EQ(step(1, 1, 3), 2);
    EXPECT_EQ(step(1, 0, 0), 0);
    EXPECT_EQ(step(std::numeric_limits<int>::max(), 1, 3), 2);

    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    // x, width, version count, version shown
    const std::tuple<double, double, int, int> versions[] = {
        {300, 300, 3, 2}, {0, 300, 3, 0},   {-5, 300, 3, 0},  {150, 0, 3, 0},   {150, 300, 0, 0},
        {99, 300, 3, 0},  {100, 300, 3, 1}, {inf, 300, 3, 0}, {nan, 300, 3, 0}, {1e300, 300, 3, 2},
    };
    for (const auto& [x, width, count, expected] : versions)
        EXPECT_EQ(version(x, width, count), expected) << x << " " << width;

    EXPECT_EQ(wipe(inf, 100), 0.5);
    EXPECT_EQ(wipe(nan, 100), 0.5);
    EXPECT_EQ(wipe(10, 0), 0.5);
    EXPECT_EQ(wipe(150, 100), 1);
    EXPECT_EQ(wipe(-1, 100), 0);
    EXPECT_EQ(wipe(25, 100), 0.25);
}

TEST(CompareNavigationTest, ModesCycleBothWaysAndFallBackAtTheOldest) {
    EXPECT_EQ(cycle(CompareMode::difference, 1), CompareMode::step);
    EXPECT_EQ(cycle(CompareMode::step, -1), CompareMode::difference);
    EXPECT_EQ(cycle(CompareMode::wipe, 4), CompareMode::difference);
    EXPECT_EQ(cycle(CompareMode::wipe, -7), CompareMode::step);
    EXPECT_EQ(effective(CompareMode::wipe, 0), CompareMode::step);
    EXPECT_EQ(effective(CompareMode::difference, 1), CompareMode::difference);
    EXPECT_EQ(CompareModes::fromRawValue(2), CompareMode::difference);
    EXPECT_FALSE(CompareModes::fromRawValue(3));
    EXPECT_FALSE(CompareModes::fromRawValue(-1));
}

TEST(CompareNavigationTest, FollowKeepsTheNewestOrTheSameFile) {
    auto a = *Url::parse("file:///s/a.png");
    auto b = *Url::parse("file:///s/b.png");
    auto c = *Url::parse("file:///s/c.png");
    EXPECT_EQ(follow(a, true, {}), 0);
    EXPECT_EQ(follow(a, true, {a, b, c}), 2);
    EXPECT_EQ(follow(std::nullopt, false, {a, b, c}), 0);
    EXPECT_EQ(follow(b, false, {a, b, c}), 1);
    EXPECT_EQ(follow(b, false, {a, c}), 0);
}

TEST(CompareNavigationTest, TargetFollowsANewerCaptureOfTheSameImage) {
    using testing::makeItem;
    using testing::withPath;
    ShelfItem compared = withPath(makeItem("old", "s", 1), "/p/shot.png");
    ShelfItem newer = withPath(makeItem("new", "s", 5), "/p/shot.png");
    ShelfItem newest = withPath(makeItem("newest", "s", 9), "/p/shot.png");
    ShelfItem otherSession = withPath(makeItem("other", "t", 20), "/p/shot.png");
    ShelfItem page = testing::ofKind(withPath(makeItem("page", "s", 30), "/p/shot.png"), ShelfItemKind::html);

    EXPECT_EQ(target("old", "/p/shot.png", "s", {newer, compared}), compared);
    EXPECT_EQ(target("old", "/p/shot.png", "s", {newer, newest, otherSession, page}), newest);
    EXPECT_EQ(target("old", "/p/shot.png", "s", {otherSession, page}), std::nullopt);
    EXPECT_EQ(target("old", std::nullopt, "s", {newer}), std::nullopt);
}

}  // namespace
}  // namespace brimly
