#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/base/ThreadQueue.h"
#include "core/engine/DirectoryWatcher.h"
#include "core/engine/WatchHub.h"
#include "core/platform/InotifyFaults.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
constexpr std::uint32_t created = WatchEvent::itemCreated;
constexpr std::uint32_t isDir = WatchEvent::itemIsDir;
constexpr std::uint32_t isFile = WatchEvent::itemIsFile;

// Collects what a watcher delivers and lets a test wait for it without sleeping: the deadline only bounds
// a failure.
class WatchRecorder {
public:
    DirectoryWatcher::Handler handler() {
        return [this](const std::vector<std::string>& paths, const std::vector<std::uint32_t>& flags) {
            std::lock_guard lock(m_mutex);
            ++m_batches;
            for (std::size_t index = 0; index < paths.size(); ++index)
                m_events.push_back({paths[index], flags[index]});
            m_changed.notify_all();
        };
    }

    // True once an event for `path` carrying every bit of `flags` has arrived.
    bool waitFor(const std::string& path, std::uint32_t flags = 0) {
        return waitUntil([&] { return seen(path, flags); });
    }
    // The condition is evaluated without the recorder's lock, after every delivery.
    bool waitUntil(const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::unique_lock lock(m_mutex);
        while (true) {
            std::size_t generation = m_batches;
            lock.unlock();
            bool met = condition();
            lock.lock();
            if (met) return true;
            if (!m_changed.wait_until(lock, deadline, [&] { return m_batches != generation; })) return false;
        }
    }

    bool seen(const std::string& path, std::uint32_t flags = 0) {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_events.begin(), m_events.end(), [&](const WatchEvent& event) {
            return event.path == path && (event.flags & flags) == flags;
        });
    }
    std::vector<WatchEvent> events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<WatchEvent> m_events;
    std::size_t m_batches = 0;
};

// A watcher on its own thread queue with no coalescing delay, so that tests wait only for the kernel.
struct LiveWatch {
    explicit LiveWatch(std::vector<std::string> paths, DirectoryWatcher::Limits limits = {})
        : watcher(std::move(paths), 0, true, queue, recorder.handler(), std::move(limits)) {
        watcher.start();
    }
    ~LiveWatch() {
        watcher.stop();
        queue.drain();
    }
    ThreadQueue queue{"test.watch"};
    WatchRecorder recorder;
    DirectoryWatcher watcher;
};

// A temporary folder with a folder "root" in it.
class DirectoryWatcherTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string root = dir.makeDir("root");
};

void append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

TEST_F(DirectoryWatcherTest, ReportsCreateWriteRenameAndRemoveUnderTheRootButNoHistory) {
    std::string before = dir.write("root/sub/old.png", "x");
    LiveWatch live({root});
    ASSERT_TRUE(live.watcher.isRunning());
    std::string file = root + "/a.png";
    append(file, "x");
    ASSERT_TRUE(live.recorder.waitFor(file, created | isFile));
    append(file, "more");
    ASSERT_TRUE(live.recorder.waitFor(file, WatchEvent::itemModified));
    std::string moved = root + "/b.png";
    fs::rename(file, moved);
    ASSERT_TRUE(live.recorder.waitFor(file, WatchEvent::itemRenamed));
    ASSERT_TRUE(live.recorder.waitFor(moved, WatchEvent::itemRenamed | isFile));
    fs::remove(moved);
    ASSERT_TRUE(live.recorder.waitFor(moved, WatchEvent::itemRemoved));
    for (const WatchEvent& event : live.recorder.events())
        EXPECT_FALSE(DirectoryWatcher::mustRescan(event.flags));
    EXPECT_FALSE(live.recorder.seen(before));
    EXPECT_FALSE(live.recorder.seen(root + "/sub"));
}

TEST_F(DirectoryWatcherTest, NewFoldersAreWatchedAndWhatTheyAlreadyHoldIsReported) {
    LiveWatch live({root});
    // Made in one go: the inner file may well exist before the watcher sees the folder.
    std::string inner = dir.write("root/a/b/c/early.png", "x");
    ASSERT_TRUE(live.recorder.waitFor(root + "/a", created | isDir));
    ASSERT_TRUE(live.recorder.waitFor(root + "/a/b/c", isDir));
    ASSERT_TRUE(live.recorder.waitFor(inner, isFile));
    std::string later = dir.write("root/a/b/c/later.png", "x");
    ASSERT_TRUE(live.recorder.waitFor(later, created | isFile));
    EXPECT_EQ(live.watcher.watchCount(), 4u);
}

TEST_F(DirectoryWatcherTest, AFolderMovedInIsWatchedAndOneMovedOutIsForgotten) {
    std::string outside = dir.write("outside/batch/shot.png", "x");
    LiveWatch live({root});
    fs::rename(dir / "outside/batch", root + "/batch");
    ASSERT_TRUE(live.recorder.waitFor(root + "/batch", WatchEvent::itemRenamed | isDir));
    ASSERT_TRUE(live.recorder.waitFor(root + "/batch/shot.png", isFile));
    std::string fresh = dir.write("root/batch/fresh.png", "x");
    ASSERT_TRUE(live.recorder.waitFor(fresh, created));
    EXPECT_EQ(live.watcher.watchCount(), 2u);

    fs::rename(root + "/batch", dir / "gone");
    ASSERT_TRUE(live.recorder.waitFor(root + "/batch", WatchEvent::itemRenamed));
    std::string afterMove = dir.write("gone/after.png", "x");
    std::string sentinel = dir.write("root/sentinel", "x");
    ASSERT_TRUE(live.recorder.waitFor(sentinel));
    EXPECT_FALSE(live.recorder.seen(root + "/batch/after.png"));
    EXPECT_FALSE(live.recorder.seen(afterMove));
    EXPECT_EQ(live.watcher.watchCount(), 1u);
}

TEST_F(DirectoryWatcherTest, DepthBoundsWhatIsWatchedAndReported) {
    dir.makeDir("root/slug/session/deep");
    LiveWatch live({root}, {.depth = 2});
    // Folders at levels 0 and 1 are watched; level 2 entries are reported, nothing below.
    EXPECT_EQ(live.watcher.watchCount(), 2u);
    std::string tooDeep = dir.write("root/slug/session/deep.png", "x");
    std::string reported = dir.write("root/slug/other.jsonl", "x");
    ASSERT_TRUE(live.recorder.waitFor(reported, created));
    dir.makeDir("root/slug2/session2");
    std::string sentinel = dir.write("root/slug2/sentinel", "x");
    ASSERT_TRUE(live.recorder.waitFor(sentinel));
    EXPECT_TRUE(live.recorder.seen(root + "/slug2/session2", isDir));
    EXPECT_FALSE(live.recorder.seen(tooDeep));
    EXPECT_EQ(live.watcher.watchCount(), 3u);
}

TEST_F(DirectoryWatcherTest, FirstLevelPrefixKeepsOtherFoldersUnwatched) {
    root = dir.makeDir("tmp");
    dir.makeDir("tmp/unrelated");
    LiveWatch live({root}, {.depth = 2, .firstLevelPrefix = "claude-chrome-screenshots-"});
    EXPECT_EQ(live.watcher.watchCount(), 1u);
    std::string noise = dir.write("tmp/unrelated/x.png", "x");
    std::string loose = dir.write("tmp/loose.png", "x");
    std::string shot = dir.write("tmp/claude-chrome-screenshots-Ab12/screenshot-1-1.jpg", "x");
    ASSERT_TRUE(live.recorder.waitFor(shot, isFile));
    std::string sentinel = dir.write("tmp/claude-chrome-screenshots-Ab12/sentinel", "x");
    ASSERT_TRUE(live.recorder.waitFor(sentinel));
    EXPECT_FALSE(live.recorder.seen(noise));
    EXPECT_FALSE(live.recorder.seen(loose));
    EXPECT_EQ(live.watcher.watchCount(), 2u);
}

TEST_F(DirectoryWatcherTest, ABusyRootIsQuietForOtherProgramsFilesButReportsItsFolders) {
    root = dir.makeDir("tmp");
    std::string log = dir.write("tmp/busy.log", "x");
    LiveWatch live({root}, {.depth = 2, .firstLevelPrefix = "claude-chrome-screenshots-", .busyRoot = true});
    auto hub = WatchHub::shared();

    WatchHub::Counters before = hub->counters();
    for (int n = 0; n < 1000; ++n) append(log, "a line\n");
    std::string folder = dir.makeDir("tmp/claude-chrome-screenshots-Ab12");
    ASSERT_TRUE(live.recorder.waitFor(folder, created | isDir));
    // Records come in order, so all the appends made have been read by now: only the folder's is.
    EXPECT_LE(hub->counters().records - before.records, 1u);

    auto start = std::chrono::steady_clock::now();
    before = hub->counters();
    for (int n = 0; n < 1000; ++n) fs::remove(dir.write("tmp/churn.tmp", "x"));
    std::string lookalike = dir.write("tmp/claude-chrome-screenshots-notes.txt", "x");
    std::string shot = dir.write("tmp/claude-chrome-screenshots-Ab12/screenshot-1-1.jpg", "x");
    ASSERT_TRUE(live.recorder.waitFor(shot, created | isFile));
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // One wake per hold however many files come and go, and a few for the screenshot's own records; the
    // files' removals are not even read.
    EXPECT_LE(static_cast<double>(hub->counters().wakes - before.wakes), 3 + elapsed / WatchHub::busyHold);
    EXPECT_LE(hub->counters().records - before.records, 1010u);

    fs::remove_all(folder);
    ASSERT_TRUE(live.recorder.waitFor(folder, WatchEvent::itemRemoved | isDir));
    for (const std::string& quiet : {log, root + "/churn.tmp", lookalike})
        EXPECT_FALSE(live.recorder.seen(quiet)) << quiet;
}

TEST_F(DirectoryWatcherTest, AMissingOrRemovedRootIsFollowedThroughItsAncestorsUntilItAppears) {
    root = dir / "home/.claude/projects";
    LiveWatch live({root});
    ASSERT_TRUE(live.watcher.isRunning());
    // Only the nearest existing ancestor, without recursion.
    EXPECT_EQ(live.watcher.watchCount(), 1u);
    std::string unrelated = dir.write("elsewhere/x.png", "x");
    dir.makeDir("home");
    dir.makeDir("home/.claude");
    std::string early = dir.write("home/.claude/projects/slug/s.jsonl", "x");
    ASSERT_TRUE(live.recorder.waitFor(root, created | isDir | WatchEvent::rootChanged));
    ASSERT_TRUE(live.recorder.waitFor(early, isFile));
    std::string later = dir.write("home/.claude/projects/slug/t.jsonl", "x");
    ASSERT_TRUE(live.recorder.waitFor(later, created));
    EXPECT_FALSE(live.recorder.seen(unrelated));
    EXPECT_FALSE(live.recorder.seen(dir / "home/.claude"));
    EXPECT_EQ(live.watcher.watchCount(), 2u);

    // Removed, it is reported and followed back when it returns.
    fs::remove_all(root);
    ASSERT_TRUE(live.recorder.waitFor(root, WatchEvent::itemRemoved | WatchEvent::rootChanged));
    ASSERT_TRUE(live.recorder.waitUntil([&] { return live.watcher.watchCount() == 1; }));
    std::string back = dir.write("home/.claude/projects/p/s/scratchpad/b.png", "x");
    ASSERT_TRUE(live.recorder.waitFor(back, isFile));
    std::string again = dir.write("home/.claude/projects/p/s/scratchpad/c.png", "x");
    ASSERT_TRUE(live.recorder.waitFor(again, created));
}

TEST_F(DirectoryWatcherTest, AFolderBeyondTheWatchCapAsksForARescan) {
    LiveWatch live({root}, {.maxWatches = 2});
    dir.makeDir("root/one");
    ASSERT_TRUE(live.recorder.waitFor(root + "/one", isDir));
    dir.makeDir("root/two");
    ASSERT_TRUE(live.recorder.waitFor(root + "/two", WatchEvent::mustScanSubDirs));
    EXPECT_EQ(live.watcher.watchCount(), 2u);
}

TEST_F(DirectoryWatcherTest, StartTwiceIsOneStreamAndRestartBeginsFromNow) {
    dir.makeDir("root/sub");
    LiveWatch live({root});
    live.watcher.start();
    EXPECT_EQ(live.watcher.watchCount(), 2u);
    live.watcher.stop();
    EXPECT_FALSE(live.watcher.isRunning());
    EXPECT_EQ(live.watcher.watchCount(), 0u);
    std::string whileStopped = dir.write("root/sub/missed.png", "x");
    live.watcher.stop();
    live.watcher.start();
    ASSERT_TRUE(live.watcher.isRunning());
    std::string sentinel = dir.write("root/sub/sentinel", "x");
    ASSERT_TRUE(live.recorder.waitFor(sentinel));
    EXPECT_FALSE(live.recorder.seen(whileStopped));
}

// Whether its owner stops it (from a thread other than the queue's) or drops it, no handler runs after.
TEST_F(DirectoryWatcherTest, NoHandlerRunsAfterStopOrDestructionWhileEventsFlow) {
    for (bool destroy : {false, true}) {
        ThreadQueue queue("test.watch");
        WatchRecorder recorder;
        auto watcher = std::make_unique<DirectoryWatcher>(std::vector<std::string>{root}, 0, true, queue,
                                                          recorder.handler());
        watcher->start();
        std::atomic<bool> writing = true;
        std::thread writer([&] {
            for (int index = 0; writing; ++index) append(root + "/f" + std::to_string(index % 50), "x");
        });
        ASSERT_TRUE(recorder.waitUntil([&] { return recorder.events().size() > 20; }));
        if (destroy)
            watcher.reset();
        else
            watcher->stop();
        // A handler that had already read the box may still be running; the queue finishes it.
        queue.sync([] {});
        std::size_t afterStop = recorder.events().size();
        append(root + "/after", "x");
        writing = false;
        writer.join();
        queue.sync([] {});
        EXPECT_EQ(recorder.events().size(), afterStop) << destroy;
        watcher.reset();
        queue.drain();
    }
}

std::size_t entriesIn(const char* folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
}

TEST_F(DirectoryWatcherTest, ManyWatchersShareOneInstanceAndOneThread) {
    ThreadQueue queue{"test.watch"};
    WatchRecorder recorder;
    std::vector<std::string> folders;
    for (int n = 0; n < 200; ++n) folders.push_back(dir.makeDir("f" + std::to_string(n)));
    const std::size_t fds = entriesIn("/proc/self/fd"), threads = entriesIn("/proc/self/task");
    std::vector<std::unique_ptr<DirectoryWatcher>> watchers;
    for (const std::string& folder : folders) {
        watchers.push_back(std::make_unique<DirectoryWatcher>(std::vector<std::string>{folder}, 0, true,
                                                              queue, recorder.handler()));
        watchers.back()->start();
    }
    // The two instances (prompt and busy) and the reader's wake-up descriptor, and the reader.
    EXPECT_LE(entriesIn("/proc/self/fd"), fds + 3);
    EXPECT_LE(entriesIn("/proc/self/task"), threads + 1);
    for (const std::string& folder : folders) append(folder + "/a.txt", "x");
    EXPECT_TRUE(recorder.waitUntil([&] {
        return std::all_of(folders.begin(), folders.end(),
                           [&](const std::string& folder) { return recorder.seen(folder + "/a.txt"); });
    }));
    for (auto& watcher : watchers) EXPECT_FALSE(watcher->failure()) << watcher->paths()[0];
    watchers.clear();
    queue.drain();
}

TEST_F(DirectoryWatcherTest, KernelRefusalsAreReportedWithTheLimitToRaise) {
    using Call = InotifyFaults::Call;
    struct Case {
        Call call;
        int error;
        WatchFailure::Kind kind;
        std::string mentions;
        bool running;
    };
    // clang-format off
    const std::vector<Case> cases{
        {Call::open, EMFILE, WatchFailure::Kind::instances, "fs.inotify.max_user_instances", false},
        {Call::addWatch, ENOSPC, WatchFailure::Kind::watches, "fs.inotify.max_user_watches", true},
        {Call::read, EIO, WatchFailure::Kind::reader, "reading file events failed", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string folder = dir.makeDir("case" + std::to_string(&c - cases.data()));
        ThreadQueue queue{"test.watch"};
        WatchRecorder recorder;
        std::promise<WatchFailure> reported;
        InotifyFaults::set([&c](Call call) { return call == c.call ? c.error : 0; });
        {
            DirectoryWatcher watcher({folder}, 0, true, queue, recorder.handler());
            watcher.setFailureHandler([&](const WatchFailure& failure) {
                EXPECT_TRUE(queue.isCurrent());
                reported.set_value(failure);
            });
            watcher.start();
            EXPECT_EQ(watcher.isRunning(), c.running);
            // The reader meets its fault at the first event.
            append(folder + "/a.txt", "x");
            auto future = reported.get_future();
            ASSERT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready) << c.mentions;
            WatchFailure failure = future.get();
            EXPECT_EQ(failure.kind, c.kind);
            EXPECT_NE(failure.text.find(c.mentions), std::string::npos) << failure.text;
            EXPECT_EQ(watcher.failure(), failure);
            if (c.call == Call::addWatch) {
                EXPECT_TRUE(recorder.waitFor(folder, WatchEvent::mustScanSubDirs));
            }
            watcher.stop();
        }
        InotifyFaults::set(nullptr);
        queue.drain();
    }
}

TEST_F(DirectoryWatcherTest, MustRescanReadsOnlyTheThreeLowestBits) {
    // clang-format off
    for (auto [flags, rescan] : std::vector<std::pair<std::uint32_t, bool>>{
             {0, false}, {1, true}, {2, true}, {4, true}, {8, false}, {0xFFFFFFF8u, false},
             {created | isFile, false}, {WatchEvent::itemRemoved | WatchEvent::kernelDropped, true}}) {
        EXPECT_EQ(DirectoryWatcher::mustRescan(flags), rescan) << flags;
    }
    // clang-format on
}

}  // namespace
}  // namespace brimly
