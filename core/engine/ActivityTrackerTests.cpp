#include <gtest/gtest.h>

#include <cmath>

#include "core/engine/ActivityTracker.h"

namespace brimly {
namespace {

constexpr Date tenOClock = 36000;

TEST(ActivityTracker, TouchNeverMovesBackAndIgnoresNonSessions) {
    ActivityTracker tracker;
    EXPECT_EQ(tracker.mostRecent(), std::nullopt);
    EXPECT_EQ(tracker.activeSession(tenOClock, 60), std::nullopt);

    tracker.touch("A", tenOClock);
    tracker.touch("A", tenOClock - 60);
    EXPECT_EQ(tracker.lastActive().at("A"), tenOClock);
    tracker.touch("A", tenOClock + 1);
    EXPECT_EQ(tracker.lastActive().at("A"), tenOClock + 1);

    tracker.touch("unsorted", tenOClock + 100);
    tracker.touch("folder:/home/u/Downloads", tenOClock + 100);
    tracker.touch("B", std::nan(""));
    EXPECT_EQ(tracker.lastActive().size(), 1u);
    EXPECT_EQ(tracker.mostRecent(), "A");
}

TEST(ActivityTracker, ActiveSessionWindowIncludesItsBoundary) {
    ActivityTracker tracker;
    tracker.touch("A", tenOClock);
    tracker.touch("B", tenOClock + 30);
    EXPECT_EQ(tracker.mostRecent(), "B");
    EXPECT_EQ(tracker.activeSession(tenOClock + 90, 60), "B");
    EXPECT_EQ(tracker.activeSession(tenOClock + 91, 60), std::nullopt);
    EXPECT_EQ(tracker.activeSession(tenOClock + 91, 61), "B");
    // Activity stamped after `now` (clock skew between files) still counts as active.
    EXPECT_EQ(tracker.activeSession(tenOClock, 60), "B");
}

TEST(ActivityTracker, EqualDatesPickTheFirstInIdOrder) {
    ActivityTracker tracker;
    tracker.touch("b", tenOClock);
    tracker.touch("c", tenOClock);
    tracker.touch("a", tenOClock);
    EXPECT_EQ(tracker.mostRecent(), "a");
    EXPECT_EQ(tracker.activeSession(tenOClock, 0), "a");
}

}  // namespace
}  // namespace brimly
