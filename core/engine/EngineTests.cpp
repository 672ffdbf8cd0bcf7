#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/AtomicFile.h"
#include "core/base/Iso8601.h"
#include "core/config/BrimlyPaths.h"
#include "core/engine/EngineTestSupport.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/FullDisk.h"

namespace brimly {
namespace {

using namespace testing;

TEST(SettleTrackerTest, ChecksBackOffWhileTheFileKeepsChanging) {
    const double expected[] = {0.3, 0.3, 0.3, 0.3, 0.3, 0.6, 1.2, 2.4, 4.8, 5.0, 5.0};
    SettleTracker tracker;
    Candidate candidate{.payload = Payload{Payload::File{Url::fromPath("/w/a.png")}}};
    double now = 0;
    ASSERT_TRUE(tracker.observe("/w/a.png", {1, 10}, now, candidate));
    for (std::size_t n = 0; n < std::size(expected); ++n) {
        ASSERT_TRUE(tracker.nextDue());
        EXPECT_NEAR(*tracker.nextDue() - now, expected[n], 1e-9) << "check " << n + 1;
        now = *tracker.nextDue();
        EXPECT_EQ(tracker.check("/w/a.png", FileStamp{static_cast<std::int64_t>(n) + 2, 10}, now).result,
                  SettleTracker::Result::changed);
    }
    auto done =
        tracker.check("/w/a.png", FileStamp{static_cast<std::int64_t>(std::size(expected)) + 1, 10}, now);
    EXPECT_EQ(done.result, SettleTracker::Result::settled);
    EXPECT_EQ(done.candidate, candidate);
    // Taken once: the same look again is nothing new, a vanished file leaves the schedule.
    EXPECT_FALSE(tracker.observe("/w/a.png", {12, 10}, now, candidate));
    EXPECT_TRUE(tracker.observe("/w/a.png", {13, 10}, now, candidate));
    EXPECT_EQ(tracker.check("/w/a.png", std::nullopt, now + 1).result, SettleTracker::Result::vanished);
    EXPECT_FALSE(tracker.nextDue());
}

TEST(SettleTrackerTest, StampsAreDroppedPastTheLimit) {
    SettleTracker tracker;
    for (std::size_t n = 0; n < SettleTracker::stampLimit; ++n)
        tracker.stamp("/f" + std::to_string(n), {1, 1});
    EXPECT_FALSE(tracker.trimStamps());
    tracker.stamp("/one-more", {1, 1});
    EXPECT_TRUE(tracker.trimStamps());
    EXPECT_EQ(tracker.stampCount(), 0u);
}

TEST(EngineConfigChangeTest, FoldersRestartEverythingElseUpdates) {
    const Url somewhere = Url::fromPath("/h/.claude");
    const EngineConfig base{.paths = BrimlyPaths{somewhere, somewhere, somewhere, somewhere}};
    auto changeOf = [&](const std::function<void(EngineConfig&)>& edit) {
        EngineConfig other = base;
        edit(other);
        return other.change(base);
    };
    EXPECT_EQ(changeOf([](EngineConfig&) {}), EngineConfig::Change::none);
    EXPECT_EQ(changeOf([](EngineConfig& c) {
                  c.paths.claudeHome = Url::fromPath("/elsewhere");
                  c.maxItems = 7;
              }),
              EngineConfig::Change::restart);
    EXPECT_EQ(changeOf([](EngineConfig& c) { c.maxItems = 7; }), EngineConfig::Change::update);
    EXPECT_EQ(changeOf([](EngineConfig& c) { c.watchedFolders = {"/w"}; }), EngineConfig::Change::update);
}

class EngineTest : public ::testing::Test, public VirtualEngine {
protected:
    Engine::Config config() {
        Engine::Config result = engineConfig(dir);
        result.watchedFolders = {dir.makeDir("watched")};
        return result;
    }
    std::string root() { return BrimlyPaths::canonicalPath(dir / "watched"); }
};

TEST_F(EngineTest, TwoEventsWithinTheSettleTimeGiveOneCandidate) {
    start(config());
    settle();
    std::string path = dir.write("watched/a.png", TestImages::png(64, 48));
    receive(root(), {root() + "/a.png"});
    advance(0.1);
    receive(root(), {root() + "/a.png"});
    advance(0.15);
    EXPECT_EQ(itemCount(), 0u);
    EXPECT_TRUE(EngineProbe::settle(engine()).isSettling(root() + "/a.png"));
    advance(0.1);
    EXPECT_EQ(itemCount(), 1u);
    EXPECT_EQ(EngineProbe::settle(engine()).settlingCount(), 0u);
    // An event that changes nothing is not taken again.
    receive(root(), {root() + "/a.png"});
    settle();
    EXPECT_FALSE(EngineProbe::settle(engine()).isSettling(root() + "/a.png"));
}

TEST_F(EngineTest, AGrowingFileIsTakenOnlyAfterTwoEqualLooks) {
    start(config());
    settle();
    std::string full = TestImages::png(80, 60);
    std::string path = dir.write("watched/grow.png", full.substr(0, full.size() / 2));
    receive(root(), {root() + "/grow.png"});
    advance(0.2);
    dir.write("watched/grow.png", full.substr(0, full.size() * 3 / 4));
    advance(0.2);  // first look sees a change
    EXPECT_EQ(itemCount(), 0u);
    dir.write("watched/grow.png", full);
    advance(0.3);  // second look sees another change
    EXPECT_EQ(itemCount(), 0u);
    advance(0.3);  // third look equals the second
    ASSERT_EQ(itemCount(), 1u);
    EXPECT_EQ(store().items().begin()->second.width, 80);
}

TEST_F(EngineTest, BrowserScreenshotsWaitOutTheHold) {
    start(config());
    settle();
    std::string folder = "tmp/claude-chrome-screenshots-Ab12Cd";
    std::string path = dir.write(folder + "/screenshot-1765000000000-1.png", TestImages::png(90, 70));
    std::string chromeRoot = engine().watchRoots()[2];
    std::string watched = BrimlyPaths::canonicalPath(path);
    for (int n = 0; n < 5; ++n) {
        receive(chromeRoot, {watched});
        advance(0.99);
    }
    EXPECT_EQ(itemCount(), 0u);
    advance(0.3);
    EXPECT_EQ(itemCount(), 0u) << "the file must still be seen unchanged after the hold";
    advance(0.1);
    ASSERT_EQ(itemCount(), 1u);
    EXPECT_TRUE(store().items().begin()->second.sourceKinds.count(Source::chrome));
}

TEST_F(EngineTest, PublishesOnlyWhenRevisionOrLimitChange) {
    start(config());
    settle();
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_TRUE(snapshots[0]->items.empty());
    engine().markSeen({"unknown"});
    advance(0.1);
    EXPECT_EQ(snapshots.size(), 1u);
    engine().update(config());
    settle();
    EXPECT_EQ(snapshots.size(), 1u);
    Engine::Config smaller = config();
    smaller.maxItems = 3;
    engine().update(smaller);
    settle();
    EXPECT_EQ(snapshots.size(), 2u);
    // A burst of changes is one snapshot, 0.05 s after the first.
    for (int n = 0; n < 3; ++n)
        dir.write("watched/p" + std::to_string(n) + ".png", TestImages::png(40 + n, 40));
    receive(root(), {root() + "/p0.png", root() + "/p1.png", root() + "/p2.png"});
    advance(0.32);
    EXPECT_EQ(snapshots.size(), 2u);
    advance(0.05);
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots.back()->items.size(), 3u);
}

TEST_F(EngineTest, ClaudeFolderReportedMissingThenFound) {
    start(config());
    settle();
    EXPECT_EQ(claudeFound, std::vector<bool>{false});
    std::string projects = dir.makeDir("claude/projects");
    receive(engine().watchRoots()[1], {projects});
    settle();
    EXPECT_EQ(claudeFound, (std::vector<bool>{false, true}));
    receive(engine().watchRoots()[1], {projects});
    settle();
    EXPECT_EQ(claudeFound.size(), 2u);
}

TEST_F(EngineTest, CommandsAfterStopChangeNothing) {
    dir.write("watched/a.png", TestImages::png(50, 50));
    start(config());
    settle();
    advance(0.4);
    ASSERT_EQ(itemCount(), 1u);
    std::size_t published = snapshots.size();
    std::string id = store().items().begin()->first;
    EXPECT_TRUE(host->stop());
    EXPECT_TRUE(FileSystem::isDirectory(dir / "support"));
    EXPECT_NE(AtomicFile::read(dir / "support/index.json")->find(id), std::string::npos);
    engine().hide({id});
    engine().remove({id});
    advance(1);
    EXPECT_EQ(itemCount(), 1u);
    EXPECT_FALSE(store().isHidden(id));
    EXPECT_EQ(snapshots.size(), published);
}

TEST_F(EngineTest, RemovedWatchedFolderIsPrunedAndAddedOneScanned) {
    dir.write("watched/a.png", TestImages::png(50, 50));
    dir.write("other/b.png", TestImages::png(60, 50));
    start(config());
    advance(0.4);
    ASSERT_EQ(itemCount(), 1u);
    Engine::Config moved = config();
    moved.watchedFolders = {dir / "other"};
    engine().update(moved);
    settle();
    EXPECT_EQ(itemCount(), 0u);
    advance(0.4);
    ASSERT_EQ(itemCount(), 1u);
    EXPECT_EQ(store().items().begin()->second.sourcePath, BrimlyPaths::canonicalPath(dir / "other/b.png"));
    EXPECT_EQ(snapshots.back()->items.size(), 1u);
}

TEST_F(EngineTest, DroppedEventsRescanTheRootLater) {
    start(config());
    settle();
    dir.write("watched/lost.png", TestImages::png(70, 40));
    receive(root(), {}, {WatchEvent::kernelDropped});
    receive(root(), {}, {WatchEvent::kernelDropped});
    advance(1.1);
    EXPECT_EQ(EngineProbe::rescans(engine()), 0);
    advance(0.5);
    EXPECT_EQ(EngineProbe::rescans(engine()), 1);
    EXPECT_EQ(itemCount(), 1u);
}

TEST_F(EngineTest, ACaptureThatCouldNotBeCopiedComesBackOnceTheDiskHasRoom) {
    std::string line =
        imageResultLine("t1", TestImages::png(64, 48), {{"timestamp", formatIso8601(clock.now())}});
    std::string transcript = BrimlyPaths::canonicalPath(dir.write("claude/projects/-p/s.jsonl", line));
    // A disk with room for the index but not for the screenshot.
    std::optional<FullDisk> full(std::in_place, "/items/");
    start(config());
    settle();
    EXPECT_EQ(itemCount(), 0u);
    EXPECT_EQ(store().offsets().count(transcript) == 0 ? 0u : store().offsets().at(transcript), 0u);
    advance(2.5);
    EXPECT_EQ(itemCount(), 0u);
    full.reset();
    advance(4);
    EXPECT_EQ(itemCount(), 1u);
    EXPECT_EQ(store().offsets().at(transcript), std::filesystem::file_size(transcript));
    receive(engine().watchRoots()[1], {transcript});
    advance(60);
    EXPECT_EQ(itemCount(), 1u);
}

TEST_F(EngineTest, AWatchedFolderHoldingTheSupportFolderIsNeverFedItsOwnFiles) {
    Engine::Config watchingAll = config();
    watchingAll.watchedFolders = {dir.path()};
    dir.write("shot.png", TestImages::png(64, 48));
    dir.write("notes/.drafts/draft.png", TestImages::png(50, 50));
    start(watchingAll);
    advance(0.4);
    ASSERT_EQ(itemCount(), 1u);
    const ShelfItem& item = store().items().begin()->second;
    std::string top = BrimlyPaths::canonicalPath(dir.path());
    receive(top,
            {*item.fileURL->path(), *store().thumbURL(item.id)->path(), top + "/notes/.drafts/draft.png"});
    advance(0.4);
    EXPECT_EQ(itemCount(), 1u);
}

TEST_F(EngineTest, AWatchedFileNamedInAnotherEncodingKeepsItsItemAcrossARestart) {
    dir.write("watched/caf\xe9.png", TestImages::png(64, 48));
    std::string id;
    {
        start(config());
        advance(0.4);
        ASSERT_EQ(itemCount(), 1u);
        id = store().items().begin()->first;
        engine().markSeen({id});
        settle();
        EXPECT_TRUE(host->stop());
    }
    start(config());
    advance(0.4);
    ASSERT_EQ(itemCount(), 1u);
    const ShelfItem& item = store().items().at(id);
    EXPECT_TRUE(item.seenAt);
    EXPECT_EQ(item.sourcePath, root() + "/caf\xe9.png");
    EXPECT_EQ(item.sessionID, Session::folderID(root()));
}

// Every look costs half a second, as if the work between looks were slow.
class SlowClock final : public Clock {
public:
    explicit SlowClock(Date start) : m_now(start) {}
    Date now() const override { return m_now += 0.5; }
    double uptime() const override { return m_now; }

private:
    mutable Date m_now;
};

TEST(EngineCatchUpTest, ALongStartUpCatchUpSavesAsItGoes) {
    TempDir dir;
    for (int n = 0; n < 3; ++n) writeTranscript(dir, "s" + std::to_string(n), 40 + n);
    SlowClock clock(SystemClock::shared().now());
    ManualQueue queue;
    ManualQueue main;
    EngineHost host(engineConfig(dir), clock, queue, main, {});
    host.start(false);
    // No virtual time has passed, so no debounced write has run: what is on disk was saved by the catch-up.
    queue.runUntilIdle();
    auto saved = savedIndex(dir);
    ASSERT_TRUE(saved) << "nothing was saved during the catch-up";
    EXPECT_GE(saved->items.size(), 1u);
    EXPECT_EQ(EngineProbe::store(host.engine()).items().size(), 3u);
}

}  // namespace
}  // namespace brimly
