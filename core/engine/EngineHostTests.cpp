#include <gtest/gtest.h>
#include <sys/stat.h>

#include <future>

#include "core/config/BrimlyPaths.h"
#include "core/engine/EngineTestSupport.h"
#include "core/platform/FileSystem.h"
#include "core/platform/InotifyFaults.h"
#include "core/testsupport/FullDisk.h"

namespace brimly {
namespace {

using namespace testing;

TEST(EngineHostTest, LoadingHappensOnTheEngineQueueNotTheCaller) {
    VirtualEngine e;
    e.host = std::make_unique<EngineHost>(engineConfig(e.dir), e.clock, e.queue, e.main, Engine::Handlers{});
    EXPECT_FALSE(FileSystem::exists(e.dir / "support")) << "the store was loaded on the calling thread";
    e.queue.runUntilIdle();
    EXPECT_TRUE(FileSystem::isDirectory(e.dir / "support/items"));
}

TEST(EngineHostTest, AStopRequestedDuringTheCatchUpEndsItAtTheNextTranscript) {
    TempDir dir;
    for (int n = 0; n < 3; ++n) writeTranscript(dir, "s" + std::to_string(n), 40 + n);
    // One queue for both sides, so the first snapshot's handler runs between the first transcript and the
    // next, where a user quitting at that moment would be.
    ManualQueue queue;
    std::unique_ptr<EngineHost> host;
    std::size_t published = 0;
    auto onSnapshot = [&](std::shared_ptr<const Snapshot>) {
        if (published++ == 0) host->engine().requestStop();
    };
    host = std::make_unique<EngineHost>(engineConfig(dir), SystemClock::shared(), queue, queue,
                                        Engine::Handlers{.onSnapshot = onSnapshot});
    host->start(false);
    queue.runUntilIdle();
    EXPECT_TRUE(host->stop());
    ASSERT_TRUE(savedIndex(dir));
    EXPECT_EQ(savedIndex(dir)->items.size(), 1u) << "the catch-up went on after the stop request";
}

TEST(EngineHostTest, CommandsPostedBeforeAStopReachTheStore) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    LiveEngine live(engineConfig(dir));
    auto shown = live.waitFor([](const Snapshot& s) { return !s.items.empty(); });
    ASSERT_TRUE(shown);
    // Quitting right after a hide: the hide is still queued when the stop is asked for.
    live.engine().hide({shown->items[0].id});
    ASSERT_TRUE(live.host()->stop());
    auto index = savedIndex(dir);
    ASSERT_TRUE(index);
    EXPECT_TRUE(index->items.empty());
    EXPECT_EQ(index->hiddenItems.size(), 1u) << "the hide made just before quitting was dropped";
}

// An index cut short is moved aside, and the copies it names stay, at this start and the next, so that it can
// be mended and put back by hand; the user is told where it went.
TEST(EngineHostTest, AnUnreadableIndexIsMovedAsideAndItsCopiesKept) {
    VirtualEngine e;
    std::string copy = e.dir.write("support/items/" + std::string(64, 'a') + ".png", TestImages::png(40, 40));
    std::string thumb = e.dir.write("support/thumbs/" + std::string(64, 'a') + ".jpg", "jpeg");
    for (const std::string& path : {copy, thumb}) setModified(path, unixFromDate(e.clock.now()) - 3600);
    e.dir.write("support/index.json", R"({"items":[{"id":")" + std::string(64, 'a'));
    for (int run = 0; run < 2; ++run) {
        e.host.reset();
        e.statuses.clear();
        e.start(engineConfig(e.dir));
        e.settle();
        EXPECT_TRUE(FileSystem::exists(copy) && FileSystem::exists(thumb)) << "run " << run;
        // The index the first run wrote is readable.
        ASSERT_EQ(e.statuses.size(), run == 0 ? 1u : 0u);
        if (run > 0) continue;
        EXPECT_EQ(e.statuses[0].kind, EngineStatus::Kind::indexMovedAside);
        EXPECT_NE(e.statuses[0].text.find(e.dir / "support/index.unreadable-"), std::string::npos)
            << e.statuses[0].text;
    }
}

// A FIFO where a transcript should be would block the engine in `open` for ever.
TEST(EngineHostTest, AFifoNamedLikeATranscriptIsPassedOver) {
    VirtualEngine e;
    writeTranscript(e.dir, "s1", 50);
    std::string fifo = e.dir / "claude/projects/-p/s0.jsonl";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    e.start(engineConfig(e.dir));
    e.settle();
    e.receive(e.engine().watchRoots()[1], {BrimlyPaths::canonicalPath(fifo)});
    e.settle();
    EXPECT_EQ(e.itemCount(), 1u);
}

TEST(EngineHostTest, AsynchronousStopReportsOnTheMainQueueAndMayDropTheHost) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    LiveEngine live(engineConfig(dir));
    ASSERT_TRUE(live.waitFor([](const Snapshot& s) { return !s.items.empty(); }));
    std::promise<bool> saved;
    live.host()->stopAsync([&](bool result) {
        EXPECT_TRUE(live.main().isCurrent());
        live.host().reset();
        saved.set_value(result);
    });
    auto future = saved.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(future.get());
    ASSERT_TRUE(savedIndex(dir));
    EXPECT_EQ(savedIndex(dir)->items.size(), 1u);
}

// A disk that fills up and frees again: one report when saving starts failing, one when it works again, and
// the final save tells the truth either way.
TEST(EngineHostTest, AFullDiskIsReportedOnceRetriedAndTheFinalSaveSaysSo) {
    VirtualEngine e;
    writeTranscript(e.dir, "s1", 50);
    std::optional<FullDisk> full(std::in_place, "/index.json");
    e.start(engineConfig(e.dir));
    e.queue.runUntilIdle();
    e.queue.advance(100);
    e.main.runUntilIdle();
    ASSERT_EQ(e.statuses.size(), 1u) << "one report for a disk that stays full";
    EXPECT_EQ(e.statuses[0].kind, EngineStatus::Kind::indexNotSaved);
    EXPECT_NE(e.statuses[0].text.find("No space left on device"), std::string::npos) << e.statuses[0].text;
    EXPECT_FALSE(e.statuses[0].resolved);

    full.reset();
    e.queue.advance(Store::failedWriteRetry);
    e.main.runUntilIdle();
    ASSERT_TRUE(savedIndex(e.dir)) << "the failed save was not tried again";
    EXPECT_EQ(savedIndex(e.dir)->items.size(), 1u);
    ASSERT_EQ(e.statuses.size(), 2u);
    EXPECT_TRUE(e.statuses[1].resolved);

    full.emplace("/index.json");
    e.engine().markSeen({savedIndex(e.dir)->items[0].id});
    e.queue.runUntilIdle();
    EXPECT_FALSE(e.host->stop());
}

// Watched-folder files that arrive while the disk has no room for their copies: the user hears it once, and
// the files are on the shelf once there is room again.
TEST(EngineHostTest, FilesThatCouldNotBeCopiedArriveOnceThereIsRoom) {
    VirtualEngine e;
    for (int n = 0; n < 3; ++n)
        e.dir.write("watched/shot" + std::to_string(n) + ".png", TestImages::png(40 + n, 40));
    Engine::Config config = engineConfig(e.dir);
    config.watchedFolders = {e.dir / "watched"};
    std::optional<FullDisk> full(std::in_place, "/items/");
    e.start(config);
    e.queue.advance(5);
    e.main.runUntilIdle();
    EXPECT_TRUE(e.snapshots.back()->items.empty());
    ASSERT_EQ(e.statuses.size(), 1u);
    EXPECT_EQ(e.statuses[0].kind, EngineStatus::Kind::captureFailed);
    full.reset();
    e.queue.advance(Engine::fileRetryLongest);
    e.main.runUntilIdle();
    EXPECT_EQ(e.snapshots.back()->items.size(), 3u) << "files whose copy failed were never tried again";
    ASSERT_EQ(e.statuses.size(), 2u);
    EXPECT_TRUE(e.statuses[1].resolved);
}

TEST(EngineHostTest, AWatcherTheKernelRefusesIsReportedOnceWithTheLimitToRaise) {
    TempDir dir;
    InotifyFaults::set(
        [](InotifyFaults::Call call) { return call == InotifyFaults::Call::open ? EMFILE : 0; });
    LiveEngine live(engineConfig(dir));
    ASSERT_FALSE(live.waitForStatus().empty());
    live.drop();
    InotifyFaults::set(nullptr);
    auto statuses = live.statuses();
    ASSERT_EQ(statuses.size(), 1u) << "the three watchers share one refusal";
    EXPECT_EQ(statuses[0].kind, EngineStatus::Kind::watcherFailed);
    EXPECT_NE(statuses[0].text.find("fs.inotify.max_user_instances"), std::string::npos) << statuses[0].text;
}

}  // namespace
}  // namespace brimly
