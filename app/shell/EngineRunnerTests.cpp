#include <gtest/gtest.h>

#include "app/shelf/ShelfModelTestSupport.h"
#include "app/shell/EngineRunner.h"
#include "core/base/AtomicFile.h"
#include "core/base/Json.h"

namespace brimly::testing {
namespace {

using Titles = std::vector<std::string>;

// The runner behind a shelf model, with the engine on virtual time over temporary folders.
class EngineRunnerTest : public ShelfModelTest {
protected:
    void run() {
        runner = std::make_unique<EngineRunner>(*model, clock, main, Engine::StatusHandler{},
                                                EngineRunner::Options{.engineQueue = &queue, .watch = false});
        runner->start(config());
        advance(0.5);
    }
    void addWatched(const std::string& name) {
        dir.write("watched/" + name, TestImages::png(nextWidth++, 40));
        std::string root = BrimlyPaths::canonicalPath(dir / "watched");
        EngineProbe::receive(runner->engine(), root, {root + "/" + name});
        advance(0.5);
    }
    // Another Claude Code home: other folders, so another engine.
    Engine::Config elsewhere() {
        Engine::Config changed = config();
        changed.paths.claudeHome = Url::fromPath(dir / "claude2");
        return changed;
    }

    std::unique_ptr<EngineRunner> runner;
};

TEST_F(EngineRunnerTest, OnlyOtherFoldersStartANewEngineWhoseFirstSnapshotAnnouncesNothing) {
    put({"a.png"});
    run();
    Engine::Config retention = config();
    retention.retentionDays = 3;
    runner->apply(retention);
    advance(0.5);
    EXPECT_EQ(runner->generation(), 1);

    arrived.clear();
    runner->apply(elsewhere());
    advance(0.5);
    EXPECT_EQ(runner->generation(), 2);
    EXPECT_EQ(published(), (Titles{"a.png"}));
    EXPECT_TRUE(arrived.empty());
    addWatched("c.png");
    EXPECT_EQ(arrived, std::vector<Titles>{{"c.png"}});
}

TEST_F(EngineRunnerTest, ARemovalInItsUndoWindowReachesTheOldStoreBeforeTheNewEngineReadsIt) {
    put({"a.png", "b.png"});
    run();
    model->hide(item("a.png"));
    runner->apply(elsewhere());
    advance(0.5);
    EXPECT_EQ(runner->generation(), 2);
    EXPECT_EQ(publishedHidden(), (Titles{"a.png"}));
}

TEST_F(EngineRunnerTest, StoppingCommitsTheRemovalInItsUndoWindowToTheStore) {
    put({"a.png", "b.png"});
    run();
    model->remove({item("a.png")});
    std::optional<bool> saved;
    runner->stop([&](bool ok) { saved = ok; });
    advance(0.5);
    ASSERT_EQ(saved, true);
    auto index = JsonIO::parse(AtomicFile::read(dir / "support/index.json").value_or(""));
    ASSERT_TRUE(index);
    ASSERT_EQ((*index)["items"].size(), 1u);
    EXPECT_EQ((*index)["items"][0]["title"], "b.png");
    EXPECT_EQ((*index)["deleted"].size(), 1u);
}

TEST_F(EngineRunnerTest, AStopDuringARestartWaitsForTheOldEngineAndStartsNoNewOne) {
    run();
    runner->apply(elsewhere());
    std::optional<bool> saved;
    runner->stop([&](bool ok) { saved = ok; });
    advance(0.5);
    EXPECT_EQ(saved, true);
    EXPECT_EQ(runner->generation(), 1);
    EXPECT_FALSE(runner->isRunning());
}

}  // namespace
}  // namespace brimly::testing
