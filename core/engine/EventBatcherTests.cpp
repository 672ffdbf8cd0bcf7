#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/ManualQueue.h"
#include "core/engine/EventBatcher.h"

namespace brimly {
namespace {

struct Batches {
    std::vector<std::vector<WatchEvent>> delivered;
    std::vector<double> times;
};

std::shared_ptr<EventBatcher> makeBatcher(ManualQueue& queue, double latency, bool noDefer,
                                          Batches& batches) {
    return EventBatcher::make(queue, latency, noDefer, [&](std::vector<WatchEvent> events) {
        batches.delivered.push_back(std::move(events));
        batches.times.push_back(queue.now());
    });
}

TEST(EventBatcherTest, WithoutNoDeferABatchWaitsLatencyFromItsFirstEvent) {
    ManualQueue queue;
    Batches batches;
    auto batcher = makeBatcher(queue, 0.25, false, batches);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    EXPECT_TRUE(batches.delivered.empty());
    queue.advance(0.2);
    batcher->push({{"/r/b", 0x100}});
    queue.runUntilIdle();
    EXPECT_TRUE(batches.delivered.empty());
    queue.advance(0.05);
    ASSERT_EQ(batches.delivered.size(), 1u);
    EXPECT_EQ(batches.delivered[0], (std::vector<WatchEvent>{{"/r/a", 0x100}, {"/r/b", 0x100}}));
    EXPECT_DOUBLE_EQ(batches.times[0], 1000.25);
}

TEST(EventBatcherTest, NoDeferDeliversTheFirstEventAfterQuietAtOnceAndCoalescesTheRest) {
    ManualQueue queue;
    Batches batches;
    auto batcher = makeBatcher(queue, 0.25, true, batches);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    ASSERT_EQ(batches.delivered.size(), 1u);
    EXPECT_DOUBLE_EQ(batches.times[0], 1000);
    queue.advance(0.1);
    batcher->push({{"/r/b", 0x100}});
    queue.advance(0.1);
    batcher->push({{"/r/c", 0x100}});
    queue.runUntilIdle();
    EXPECT_EQ(batches.delivered.size(), 1u);
    // Due `latency` after the previous delivery, not after these events.
    queue.advance(0.05);
    ASSERT_EQ(batches.delivered.size(), 2u);
    EXPECT_DOUBLE_EQ(batches.times[1], 1000.25);
    EXPECT_EQ(batches.delivered[1], (std::vector<WatchEvent>{{"/r/b", 0x100}, {"/r/c", 0x100}}));
    // After a quiet period the next one is immediate again.
    queue.advance(1);
    batcher->push({{"/r/d", 0x200}});
    queue.runUntilIdle();
    ASSERT_EQ(batches.delivered.size(), 3u);
    EXPECT_DOUBLE_EQ(batches.times[2], 1001.25);
    // An append every 0.3 s: its modify goes at once, the close a moment later waits for the window's end.
    // Delivering that close once opened a new window, delaying every later append by 0.2 s.
    for (int append = 0; append < 3; ++append) {
        queue.advance(0.001);
        batcher->push({{"/r/t", 0x8}});
        queue.advance(0.299);
        batcher->push({{"/r/t", 0x2}});
        queue.runUntilIdle();
        EXPECT_DOUBLE_EQ(batches.times.back(), queue.now()) << "append " << append;
    }
}

TEST(EventBatcherTest, HeldEventsCountTheirLatencyFromWhenTheyMayHaveHappened) {
    // clang-format off
    const std::vector<std::pair<double, double>> cases{
        // held for, delivered at
        {0, 1001}, {0.4, 1000.6}, {1.5, 1000},
    };
    // clang-format on
    for (auto [heldFor, deliveredAt] : cases) {
        ManualQueue queue;
        Batches batches;
        auto batcher = makeBatcher(queue, 1.0, false, batches);
        batcher->push({{"/tmp/a", 0x100}}, heldFor);
        queue.runUntilIdle();
        queue.advance(2);
        ASSERT_EQ(batches.times.size(), 1u) << heldFor;
        EXPECT_DOUBLE_EQ(batches.times[0], deliveredAt) << heldFor;
    }
}

TEST(EventBatcherTest, EventsForOnePathMergeTheirFlagsInFirstSeenOrder) {
    ManualQueue queue;
    Batches batches;
    auto batcher = makeBatcher(queue, 0.5, false, batches);
    batcher->push({{"/r/a", 0x100}, {"/r/b", 0x1000}});
    batcher->push({{"/r/a", 0x1000}, {"/r/c", 0x4}, {"/r/b", 0x200}});
    queue.advance(0.5);
    ASSERT_EQ(batches.delivered.size(), 1u);
    EXPECT_EQ(batches.delivered[0],
              (std::vector<WatchEvent>{{"/r/a", 0x1100}, {"/r/b", 0x1200}, {"/r/c", 0x4}}));
}

TEST(EventBatcherTest, ZeroLatencyDeliversEachDrainAndNothingEmptyIsDelivered) {
    ManualQueue queue;
    Batches batches;
    auto batcher = makeBatcher(queue, 0, false, batches);
    batcher->push({});
    queue.runUntilIdle();
    EXPECT_TRUE(batches.delivered.empty());
    batcher->push({{"/r/a", 1}});
    queue.runUntilIdle();
    batcher->push({{"/r/a", 2}});
    queue.runUntilIdle();
    EXPECT_EQ(batches.delivered.size(), 2u);
}

TEST(EventBatcherTest, AGoneBatcherLeavesQueuedWorkHarmless) {
    ManualQueue queue;
    Batches batches;
    auto batcher = makeBatcher(queue, 0.25, false, batches);
    batcher->push({{"/r/a", 0x100}});
    queue.runUntilIdle();
    batcher.reset();
    queue.advance(1);
    EXPECT_TRUE(batches.delivered.empty());
    EXPECT_FALSE(queue.hasPending());
}

}  // namespace
}  // namespace brimly
