#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/ManualQueue.h"
#include "core/engine/EventBatcher.h"

namespace brimly {
namespace {

// A manual queue and what batchers on it deliver, with the queue's time of each delivery.
class EventBatcherTest : public ::testing::Test {
protected:
    std::shared_ptr<EventBatcher> make(double latency, bool noDefer) {
        return EventBatcher::make(queue, latency, noDefer, [this](std::vector<WatchEvent> events) {
            delivered.push_back(std::move(events));
            times.push_back(queue.now());
        });
    }
    ManualQueue queue;
    std::vector<std::vector<WatchEvent>> delivered;
    std::vector<double> times;
};

TEST_F(EventBatcherTest, WithoutNoDeferABatchWaitsLatencyFromItsFirstEvent) {
    auto batcher = make(0.25, false);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    EXPECT_TRUE(delivered.empty());
    queue.advance(0.2);
    batcher->push({{"/r/b", 0x100}});
    queue.runUntilIdle();
    EXPECT_TRUE(delivered.empty());
    queue.advance(0.05);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], (std::vector<WatchEvent>{{"/r/a", 0x100}, {"/r/b", 0x100}}));
    EXPECT_DOUBLE_EQ(times[0], 1000.25);
}

TEST_F(EventBatcherTest, NoDeferDeliversTheFirstEventAfterQuietAtOnceAndCoalescesTheRest) {
    auto batcher = make(0.25, true);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_DOUBLE_EQ(times[0], 1000);
    queue.advance(0.1);
    batcher->push({{"/r/b", 0x100}});
    queue.advance(0.1);
    batcher->push({{"/r/c", 0x100}});
    queue.runUntilIdle();
    EXPECT_EQ(delivered.size(), 1u);
    // Due `latency` after the previous delivery, not after these events.
    queue.advance(0.05);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_DOUBLE_EQ(times[1], 1000.25);
    EXPECT_EQ(delivered[1], (std::vector<WatchEvent>{{"/r/b", 0x100}, {"/r/c", 0x100}}));
    // After a quiet period the next one is immediate again.
    queue.advance(1);
    batcher->push({{"/r/d", 0x200}});
    queue.runUntilIdle();
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_DOUBLE_EQ(times[2], 1001.25);
    // An append every 0.3 s: its modify goes at once, the close a moment later waits for the window's end.
    // Delivering that close once opened a new window, delaying every later append by 0.2 s.
    for (int append = 0; append < 3; ++append) {
        queue.advance(0.001);
        batcher->push({{"/r/t", 0x8}});
        queue.advance(0.299);
        batcher->push({{"/r/t", 0x2}});
        queue.runUntilIdle();
        EXPECT_DOUBLE_EQ(times.back(), queue.now()) << "append " << append;
    }
}

TEST_F(EventBatcherTest, HeldEventsCountTheirLatencyFromWhenTheyMayHaveHappened) {
    for (auto [heldFor, deliveredAfter] : {std::pair{0.0, 1.0}, {0.4, 0.6}, {1.5, 0.0}}) {
        double start = queue.now();
        auto batcher = make(1.0, false);
        batcher->push({{"/tmp/a", 0x100}}, heldFor);
        queue.runUntilIdle();
        queue.advance(2);
        EXPECT_NEAR(times.back() - start, deliveredAfter, 1e-9) << heldFor;
    }
    EXPECT_EQ(times.size(), 3u);
}

TEST_F(EventBatcherTest, EventsForOnePathMergeTheirFlagsInFirstSeenOrder) {
    auto batcher = make(0.5, false);
    batcher->push({{"/r/a", 0x100}, {"/r/b", 0x1000}});
    batcher->push({{"/r/a", 0x1000}, {"/r/c", 0x4}, {"/r/b", 0x200}});
    queue.advance(0.5);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], (std::vector<WatchEvent>{{"/r/a", 0x1100}, {"/r/b", 0x1200}, {"/r/c", 0x4}}));
}

TEST_F(EventBatcherTest, ZeroLatencyDeliversEachDrainAndNothingEmptyIsDelivered) {
    auto batcher = make(0, false);
    batcher->push({});
    queue.runUntilIdle();
    EXPECT_TRUE(delivered.empty());
    batcher->push({{"/r/a", 1}});
    queue.runUntilIdle();
    batcher->push({{"/r/a", 2}});
    queue.runUntilIdle();
    EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(EventBatcherTest, AGoneBatcherLeavesQueuedWorkHarmless) {
    auto batcher = make(0.25, false);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    batcher.reset();
    queue.advance(1);
    EXPECT_TRUE(delivered.empty());
    EXPECT_FALSE(queue.hasPending());
}

}  // namespace
}  // namespace brimly
