#include <gtest/gtest.h>

#include "core/shelf/SeenClock.h"

namespace brimly {
namespace {

using Ids = std::vector<std::string>;

TEST(SeenClockTest, ReportsAnItemOnceAfterItsDelay) {
    SeenClock clock(0.5);
    EXPECT_EQ(clock.update({"a"}, 10.0), Ids{});
    EXPECT_EQ(clock.update({"a"}, 10.3), Ids{});
    // 10.0 + 0.5 lands a hair off in floating point; the tolerance still counts it as due.
    EXPECT_EQ(clock.update({"a"}, 10.0 + 0.5 - 0.0000005), Ids{"a"});
    EXPECT_EQ(clock.update({"a"}, 11), Ids{});
    EXPECT_EQ(clock.update({}, 12), Ids{});
    EXPECT_EQ(clock.update({"a"}, 13), Ids{});
    EXPECT_EQ(clock.update({"a"}, 14), Ids{});
    EXPECT_FALSE(clock.deadline());

    clock.reset();
    EXPECT_EQ(clock.update({"a"}, 20), Ids{});
    EXPECT_EQ(clock.update({"a"}, 20.5), Ids{"a"});
}

TEST(SeenClockTest, LeavingViewRestartsTheWait) {
    SeenClock clock(0.5);
    clock.update({"a"}, 10.0);
    clock.update({}, 10.3);
    clock.update({"a"}, 10.4);
    EXPECT_EQ(clock.update({"a"}, 10.85), Ids{});
    EXPECT_EQ(clock.update({"a"}, 10.9), Ids{"a"});
}

TEST(SeenClockTest, DueIdsComeSortedAndDeadlineFollowsTheOldestStart) {
    SeenClock clock(0.5);
    EXPECT_FALSE(clock.deadline());
    clock.update({"c", "b"}, 1.0);
    clock.update({"c", "b", "a"}, 1.2);
    ASSERT_TRUE(clock.deadline());
    EXPECT_DOUBLE_EQ(*clock.deadline(), 1.5);
    EXPECT_EQ(clock.update({"a", "b", "c"}, 1.5), (Ids{"b", "c"}));
    EXPECT_DOUBLE_EQ(*clock.deadline(), 1.7);
    EXPECT_EQ(clock.update({"a", "b", "c"}, 2.0), Ids{"a"});
    EXPECT_FALSE(clock.deadline());
}

}  // namespace
}  // namespace brimly
