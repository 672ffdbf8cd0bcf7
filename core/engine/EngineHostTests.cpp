#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <mutex>

#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/base/Crypto.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/ManualQueue.h"
#include "core/base/ThreadQueue.h"
#include "core/engine/EngineHost.h"
#include "core/engine/EngineProbe.h"
#include "core/platform/FileSystem.h"
#include "core/platform/InotifyFaults.h"
#include "core/store/StoreIndex.h"
#include "core/testsupport/FileTimes.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::setModified;
using testing::TempDir;
namespace TestImages = testing::TestImages;

Engine::Config configIn(const TempDir& dir) {
    Engine::Config config{.paths = BrimlyPaths{.claudeHome = Url::fromPath(dir / "claude"),
                                               .scratchRoot = Url::fromPath(dir / "scratch"),
                                               .supportDir = Url::fromPath(dir / "support"),
                                               .chromeRoot = Url::fromPath(dir / "tmp")}};
    return config;
}

// A session transcript holding one screenshot, written a minute ago.
void writeTranscript(const TempDir& dir, const std::string& session, int width) {
    Json image = {{"type", "image"},
                  {"source",
                   {{"type", "base64"},
                    {"media_type", "image/png"},
                    {"data", Crypto::base64Encode(TestImages::png(width, 40))}}}};
    Json line = {
        {"type", "user"},
        {"sessionId", session},
        {"timestamp", formatIso8601(SystemClock::shared().now() - 60)},
        {"message",
         {{"role", "user"},
          {"content", {{{"type", "tool_result"}, {"tool_use_id", "t" + session}, {"content", {image}}}}}}}};
    dir.write("claude/projects/-p/" + session + ".jsonl", line.dump() + "\n");
}

std::optional<StoreIndex> savedIndex(const TempDir& dir) {
    return StoreIndex::decode(AtomicFile::read(dir / "support/index.json").value_or(""));
}

TEST(EngineHostTest, DroppingTheHostSavesWhatWasCaptured) {
    TempDir dir;
    dir.write("watched/a.png", TestImages::png(64, 48));
    Engine::Config config = configIn(dir);
    config.watchedFolders = {dir / "watched"};
    ThreadQueue main("main");
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t shown = 0;
    {
        auto onSnapshot = [&](std::shared_ptr<const Snapshot> snapshot) {
            std::lock_guard lock(mutex);
            shown = snapshot->items.size();
            changed.notify_all();
        };
        EngineHost host(config, SystemClock::shared(), main, {.onSnapshot = onSnapshot});
        host.start(true);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return shown == 1; }));
    }
    main.drain();
    auto index = savedIndex(dir);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->items.size(), 1u);
}

TEST(EngineHostTest, LoadingHappensOnTheEngineQueueNotTheCaller) {
    TempDir dir;
    ManualQueue queue;
    ManualQueue main;
    EngineHost host(configIn(dir), SystemClock::shared(), queue, main, {});
    EXPECT_FALSE(FileSystem::exists(dir / "support")) << "the store was loaded on the calling thread";
    queue.runUntilIdle();
    EXPECT_TRUE(FileSystem::isDirectory(dir / "support/items"));
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
    host = std::make_unique<EngineHost>(configIn(dir), SystemClock::shared(), queue, queue,
                                        Engine::Handlers{.onSnapshot = onSnapshot});
    host->start(false);
    queue.runUntilIdle();
    EXPECT_TRUE(host->stop());
    auto index = savedIndex(dir);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->items.size(), 1u) << "the catch-up went on after the stop request";
}

TEST(EngineHostTest, CommandsPostedBeforeAStopReachTheStore) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    ThreadQueue main("main");
    std::mutex mutex;
    std::condition_variable changed;
    std::string id;
    auto onSnapshot = [&](std::shared_ptr<const Snapshot> snapshot) {
        std::lock_guard lock(mutex);
        if (!snapshot->items.empty()) id = snapshot->items[0].id;
        changed.notify_all();
    };
    EngineHost host(configIn(dir), SystemClock::shared(), main, {.onSnapshot = onSnapshot});
    host.start(true);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return !id.empty(); }));
    }
    // Quitting right after a hide: the hide is still queued when the stop is asked for.
    host.engine().hide({id});
    ASSERT_TRUE(host.stop());
    auto index = savedIndex(dir);
    ASSERT_TRUE(index);
    EXPECT_TRUE(index->items.empty());
    ASSERT_EQ(index->hiddenItems.size(), 1u) << "the hide made just before quitting was dropped";
}

// An index cut short is moved aside, and the copies it names stay, at this start and the next, so that it can
// be mended and put back by hand; the user is told where it went.
TEST(EngineHostTest, AnUnreadableIndexIsMovedAsideAndItsCopiesKept) {
    TempDir dir;
    std::string copy = dir.write("support/items/" + std::string(64, 'a') + ".png", TestImages::png(40, 40));
    std::string thumb = dir.write("support/thumbs/" + std::string(64, 'a') + ".jpg", "jpeg");
    for (const std::string& path : {copy, thumb})
        setModified(path, unixFromDate(SystemClock::shared().now()) - 3600);
    dir.write("support/index.json", R"({"items":[{"id":")" + std::string(64, 'a'));
    for (int run = 0; run < 2; ++run) {
        ManualQueue queue;
        ManualQueue main;
        std::vector<EngineStatus> statuses;
        EngineHost host(configIn(dir), SystemClock::shared(), queue, main,
                        {.onStatus = [&](const EngineStatus& status) { statuses.push_back(status); }});
        host.start(false);
        queue.runUntilIdle();
        main.runUntilIdle();
        EXPECT_TRUE(FileSystem::exists(copy)) << "run " << run;
        EXPECT_TRUE(FileSystem::exists(thumb)) << "run " << run;
        if (run == 0) {
            ASSERT_EQ(statuses.size(), 1u);
            EXPECT_EQ(statuses[0].kind, EngineStatus::Kind::indexMovedAside);
            EXPECT_NE(statuses[0].text.find(dir / "support/index.unreadable-"), std::string::npos)
                << statuses[0].text;
        } else {
            EXPECT_TRUE(statuses.empty()) << "the index of the first run was readable";
        }
    }
}

// A FIFO where a transcript should be would block the engine in `open` for ever (without the fix this test
// hangs).
TEST(EngineHostTest, AFifoNamedLikeATranscriptIsPassedOver) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    std::string fifo = dir / "claude/projects/-p/s0.jsonl";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ManualQueue queue;
    ManualQueue main;
    EngineHost host(configIn(dir), SystemClock::shared(), queue, main, {});
    host.start(false);
    queue.runUntilIdle();
    EngineProbe::receive(host.engine(), host.engine().watchRoots()[1], {BrimlyPaths::canonicalPath(fifo)});
    queue.runUntilIdle();
    EXPECT_EQ(EngineProbe::store(host.engine()).items().size(), 1u);
}

TEST(EngineHostTest, AsynchronousStopReportsOnTheMainQueueAndMayDropTheHost) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    ThreadQueue main("main");
    std::mutex mutex;
    std::condition_variable changed;
    bool shown = false;
    std::optional<bool> result;
    auto onSnapshot = [&](std::shared_ptr<const Snapshot> snapshot) {
        std::lock_guard lock(mutex);
        shown = shown || !snapshot->items.empty();
        changed.notify_all();
    };
    auto host = std::make_unique<EngineHost>(configIn(dir), SystemClock::shared(), main,
                                             Engine::Handlers{.onSnapshot = onSnapshot});
    host->start(true);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return shown; }));
    lock.unlock();
    host->stopAsync([&](bool saved) {
        EXPECT_TRUE(main.isCurrent());
        host.reset();
        std::lock_guard done(mutex);
        result = saved;
        changed.notify_all();
    });
    lock.lock();
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return result.has_value(); }));
    EXPECT_TRUE(*result);
    auto index = savedIndex(dir);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->items.size(), 1u);
}

// A disk that fills up and frees again: one report when saving starts failing, one when it works again, and
// the final save tells the truth either way.
TEST(EngineHostTest, AFullDiskIsReportedOnceRetriedAndTheFinalSaveSaysSo) {
    TempDir dir;
    writeTranscript(dir, "s1", 50);
    ManualQueue queue;
    ManualQueue main;
    std::vector<EngineStatus> statuses;
    EngineHost host(configIn(dir), SystemClock::shared(), queue, main,
                    {.onStatus = [&](const EngineStatus& status) { statuses.push_back(status); }});
    // Room for the copies, none for the index.
    auto diskFull = [](AtomicFile::Stage stage, const std::string& path) {
        return stage == AtomicFile::Stage::write && path.ends_with("/index.json")
                   ? std::make_error_code(std::errc::no_space_on_device)
                   : std::error_code();
    };
    AtomicFile::setFaultForTesting(diskFull);
    host.start(false);
    queue.runUntilIdle();
    queue.advance(100);
    main.runUntilIdle();
    ASSERT_EQ(statuses.size(), 1u) << "one report for a disk that stays full";
    EXPECT_EQ(statuses[0].kind, EngineStatus::Kind::indexNotSaved);
    EXPECT_NE(statuses[0].text.find("No space left on device"), std::string::npos) << statuses[0].text;
    EXPECT_FALSE(statuses[0].resolved);

    AtomicFile::setFaultForTesting(nullptr);
    queue.advance(Store::failedWriteRetry);
    main.runUntilIdle();
    ASSERT_TRUE(savedIndex(dir)) << "the failed save was not tried again";
    EXPECT_EQ(savedIndex(dir)->items.size(), 1u);
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_TRUE(statuses[1].resolved);

    AtomicFile::setFaultForTesting(diskFull);
    host.engine().markSeen({savedIndex(dir)->items[0].id});
    queue.runUntilIdle();
    EXPECT_FALSE(host.stop());
    AtomicFile::setFaultForTesting(nullptr);
}

// Watched-folder files that arrive while the disk has no room for their copies: the user hears it once, and
// the files are on the shelf once there is room again.
TEST(EngineHostTest, FilesThatCouldNotBeCopiedArriveOnceThereIsRoom) {
    TempDir dir;
    for (int n = 0; n < 3; ++n)
        dir.write("watched/shot" + std::to_string(n) + ".png", TestImages::png(40 + n, 40));
    Engine::Config config = configIn(dir);
    config.watchedFolders = {dir / "watched"};
    ManualQueue queue;
    ManualQueue main;
    std::vector<EngineStatus> statuses;
    std::size_t shown = 0;
    EngineHost host(
        config, SystemClock::shared(), queue, main,
        {.onSnapshot = [&](std::shared_ptr<const Snapshot> snapshot) { shown = snapshot->items.size(); },
         .onStatus = [&](const EngineStatus& status) { statuses.push_back(status); }});
    AtomicFile::setFaultForTesting([](AtomicFile::Stage stage, const std::string& path) {
        return stage == AtomicFile::Stage::write && path.find("/items/") != std::string::npos
                   ? std::make_error_code(std::errc::no_space_on_device)
                   : std::error_code();
    });
    host.start(false);
    queue.advance(5);
    main.runUntilIdle();
    EXPECT_EQ(shown, 0u);
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].kind, EngineStatus::Kind::captureFailed);
    AtomicFile::setFaultForTesting(nullptr);
    queue.advance(Engine::fileRetryLongest);
    main.runUntilIdle();
    EXPECT_EQ(shown, 3u) << "files whose copy failed were never tried again";
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_TRUE(statuses[1].resolved);
}

TEST(EngineHostTest, AWatcherTheKernelRefusesIsReportedOnceWithTheLimitToRaise) {
    TempDir dir;
    ThreadQueue main("main");
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<EngineStatus> statuses;
    InotifyFaults::set(
        [](InotifyFaults::Call call) { return call == InotifyFaults::Call::open ? EMFILE : 0; });
    {
        EngineHost host(configIn(dir), SystemClock::shared(), main,
                        {.onStatus = [&](const EngineStatus& status) {
                            std::lock_guard lock(mutex);
                            statuses.push_back(status);
                            changed.notify_all();
                        }});
        host.start(true);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return !statuses.empty(); }));
    }
    InotifyFaults::set(nullptr);
    main.drain();
    ASSERT_EQ(statuses.size(), 1u) << "the three watchers share one refusal";
    EXPECT_EQ(statuses[0].kind, EngineStatus::Kind::watcherFailed);
    EXPECT_NE(statuses[0].text.find("fs.inotify.max_user_instances"), std::string::npos) << statuses[0].text;
}

}  // namespace
}  // namespace brimly
