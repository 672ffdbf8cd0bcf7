#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <thread>

#include "app/qt/QtMainQueue.h"

namespace brimly {
namespace {

// Runs the event loop until `done` holds; a generous timer fails the test instead of hanging it.
void runUntil(const std::function<bool()>& done) {
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(5000);
    while (!done() && guard.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_TRUE(done()) << "the event loop did not get there";
}

TEST(QtMainQueueTest, RunsPostedAndDueTasksInOrderAndDropsCancelledOnes) {
    QtMainQueue queue;
    std::vector<std::string> ran;
    auto late = queue.postAfter(0.03, [&] { ran.push_back("late"); });
    auto early = queue.postAfter(0.01, [&] { ran.push_back("early"); });
    auto cancelled = queue.postAfter(0.02, [&] { ran.push_back("cancelled"); });
    std::thread poster([&] { queue.post([&] { ran.push_back("from a thread"); }); });
    poster.join();
    queue.post([&] { ran.push_back("posted"); });
    cancelled.cancel();
    runUntil([&] { return ran.size() == 4; });
    EXPECT_EQ(ran, (std::vector<std::string>{"from a thread", "posted", "early", "late"}));
}

TEST(QtMainQueueTest, ATimerAskedForFromAnotherThreadStillFiresOnTheLoopThread) {
    QtMainQueue queue;
    bool onLoop = false;
    TaskHandle handle;
    std::thread([&] { handle = queue.postAfter(0.01, [&] { onLoop = queue.isCurrent(); }); }).join();
    runUntil([&] { return onLoop; });
}

TEST(QtMainQueueTest, SyncFromAnotherThreadWaitsForTheLoopAndShutdownReleasesIt) {
    QtMainQueue queue;
    int value = 0;
    std::thread caller([&] { queue.sync([&] { value = 42; }); });
    runUntil([&] { return value == 42; });
    caller.join();

    bool ran = false;
    std::atomic<bool> returned = false;
    std::thread stranded([&] {
        queue.sync([&] { ran = true; });
        returned = true;
    });
    // The loop never runs again: shutdown must still let the caller go, without running its task.
    queue.shutdown();
    stranded.join();
    EXPECT_TRUE(returned);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    queue.post([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace brimly

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
