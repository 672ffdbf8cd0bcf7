#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/ManualQueue.h"
#include "core/base/ThreadQueue.h"

namespace brimly {
namespace {

TEST(ManualQueueTest, DelayedTasksRunInDueOrderAndEqualTimesInPostingOrder) {
    ManualQueue queue;
    std::vector<std::string> ran;
    auto late = queue.postAfter(2, [&] { ran.push_back("late"); });
    auto firstAtOne = queue.postAfter(1, [&] { ran.push_back("one-a"); });
    auto secondAtOne = queue.postAfter(1, [&] { ran.push_back("one-b"); });
    queue.post([&] { ran.push_back("now"); });
    queue.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"now"}));
    queue.advance(1.5);
    EXPECT_EQ(ran, (std::vector<std::string>{"now", "one-a", "one-b"}));
    queue.advance(0.5);
    EXPECT_EQ(ran.back(), "late");
    EXPECT_DOUBLE_EQ(queue.now(), 1002);
}

TEST(ManualQueueTest, DroppedOrCancelledHandlesNeverRun) {
    ManualQueue queue;
    int runs = 0;
    {
        auto dropped = queue.postAfter(1, [&] { ++runs; });
    }
    auto cancelled = queue.postAfter(1, [&] { ++runs; });
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isActive());
    auto replaced = queue.postAfter(1, [&] { runs += 10; });
    replaced = queue.postAfter(3, [&] { runs += 100; });
    queue.advance(5);
    EXPECT_EQ(runs, 100);
}

TEST(ManualQueueTest, TasksPostedWhileAdvancingRunAtTheirOwnTime) {
    ManualQueue queue;
    std::vector<double> times;
    TaskHandle inner;
    auto outer = queue.postAfter(1, [&] {
        times.push_back(queue.now());
        inner = queue.postAfter(1, [&] { times.push_back(queue.now()); });
    });
    queue.advance(10);
    EXPECT_EQ(times, (std::vector<double>{1001, 1002}));
    EXPECT_FALSE(queue.hasPending());
}

TEST(ManualQueueTest, ItsThreadIsTheOneRunningItElseItsCreator) {
    ManualQueue queue;
    bool currentElsewhere = true;
    bool currentInTask = false;
    std::thread([&] {
        currentElsewhere = queue.isCurrent();
        queue.post([&] { currentInTask = queue.isCurrent(); });
        queue.runUntilIdle();
    }).join();
    EXPECT_FALSE(currentElsewhere);
    EXPECT_TRUE(currentInTask);
    EXPECT_TRUE(queue.isCurrent());
}

TEST(ThreadQueueTest, RunsTasksInOrderOnItsOwnThreadAndDrainsWhatIsDue) {
    ThreadQueue queue("test.queue");
    std::vector<int> order;
    bool wasCurrent = false;
    for (int i = 0; i < 100; ++i) queue.post([&order, i] { order.push_back(i); });
    queue.sync([&] { wasCurrent = queue.isCurrent(); });
    EXPECT_TRUE(wasCurrent);
    EXPECT_FALSE(queue.isCurrent());
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);

    int lastWrite = 0;
    queue.post([&] { lastWrite = 1; });
    queue.drain();
    EXPECT_EQ(lastWrite, 1);
    queue.post([&] { lastWrite = 2; });
    EXPECT_EQ(lastWrite, 1);
}

TEST(ThreadQueueTest, DelayedTaskRunsAndCancelledOneDoesNot) {
    ThreadQueue queue("test.delay");
    std::atomic<bool> cancelledRan = false;
    std::promise<void> kept;
    auto cancelled = queue.postAfter(0.01, [&] { cancelledRan = true; });
    cancelled.cancel();
    auto later = queue.postAfter(0.02, [&] { kept.set_value(); });
    ASSERT_EQ(kept.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_FALSE(cancelledRan);
}

// A sync racing a drain either runs its task before it returns or never runs it: the task refers to the
// caller's stack, which is gone once sync returns. The drain lands at a different moment of each sync.
TEST(ThreadQueueTest, SyncRacingDrainNeverLeavesItsTaskBehind) {
    constexpr int races = 500;
    std::atomic<ThreadQueue*> toDrain = nullptr;
    std::atomic<int> delayNanoseconds = 0;
    std::atomic<bool> finished = false;
    std::thread drainer([&] {
        while (!finished.load()) {
            ThreadQueue* queue = toDrain.load();
            if (!queue) {
                std::this_thread::yield();
                continue;
            }
            auto until = std::chrono::steady_clock::now() + std::chrono::nanoseconds(delayNanoseconds.load());
            while (std::chrono::steady_clock::now() < until) {
            }
            queue->drain();
            toDrain = nullptr;
        }
    });
    int ranLate = 0;
    for (int race = 0; race < races; ++race) {
        ThreadQueue queue("test.race");
        auto ran = std::make_shared<std::atomic<bool>>(false);
        delayNanoseconds = (race % 50) * 200;
        toDrain = &queue;
        queue.sync([ran] { ran->store(true); });
        bool ranBeforeReturn = ran->load();
        while (toDrain.load()) std::this_thread::yield();
        if (ran->load() && !ranBeforeReturn) ++ranLate;
    }
    finished = true;
    drainer.join();
    EXPECT_EQ(ranLate, 0);
}

TEST(ThreadQueueTest, DrainFromItsOwnTaskStopsAfterWhatIsDue) {
    bool ranDue = false;
    bool ranLate = false;
    {
        ThreadQueue queue("test.self");
        std::promise<void> gate;
        queue.post([future = gate.get_future().share()] { future.wait(); });
        queue.post([&] {
            queue.drain();
            queue.post([&] { ranLate = true; });
        });
        queue.post([&] { ranDue = true; });
        gate.set_value();
    }
    EXPECT_TRUE(ranDue);
    EXPECT_FALSE(ranLate);
}

}  // namespace
}  // namespace brimly
