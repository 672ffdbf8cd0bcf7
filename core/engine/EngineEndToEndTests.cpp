#include <gtest/gtest.h>

#include "core/base/Iso8601.h"
#include "core/config/BrimlyPaths.h"
#include "core/engine/EngineProbe.h"
#include "core/engine/EngineTestSupport.h"

namespace brimly {
namespace {

using namespace testing;

std::string imageLine(const std::string& toolID, const std::string& png, Date at) {
    return imageResultLine(toolID, png, {{"timestamp", formatIso8601(at)}});
}

class EngineEndToEndTest : public ::testing::Test {
protected:
    Engine::Config config() { return engineConfig(dir); }
    TempDir dir;
};

TEST_F(EngineEndToEndTest, HiddenAndDeletedItemsStaySoAcrossRestartsAndRereads) {
    std::string transcript = dir.write("claude/projects/-work-project/s1.jsonl", "");
    Date now = SystemClock::shared().now() - 60;  // lines written a minute ago, before any removal
    std::string first = TestImages::png(64, 64);
    std::string second = TestImages::png(72, 64);
    std::string firstID;
    std::string secondID;
    {
        LiveEngine running(config());
        ASSERT_TRUE(running.waitFor([](const Snapshot&) { return true; }));
        appendTo(transcript, promptLine("p1", "make a picture", {{"timestamp", formatIso8601(now)}}) +
                                 imageLine("t1", first, now));
        auto one = running.waitFor([](const Snapshot& s) { return s.items.size() == 1; });
        ASSERT_TRUE(one) << "the appended image reaches a snapshot";
        firstID = one->items[0].id;
        appendTo(transcript, imageLine("t2", second, now + 1));
        auto two = running.waitFor([](const Snapshot& s) { return s.items.size() == 2; });
        ASSERT_TRUE(two);
        secondID = two->items[0].id == firstID ? two->items[1].id : two->items[0].id;
        running.engine().hide({firstID});
        running.engine().remove({secondID});
        ASSERT_TRUE(
            running.waitFor([](const Snapshot& s) { return s.items.empty() && s.hidden.size() == 1; }));
    }
    // Dropping the host saved the hide and the offsets before any debounced write was due. Forgetting the
    // read offsets makes the next run read the whole transcript again.
    ASSERT_EQ(::remove((dir / "support/offsets.json").c_str()), 0);
    {
        LiveEngine running(config());
        auto again = running.waitFor([](const Snapshot&) { return true; });
        ASSERT_TRUE(again);
        EXPECT_TRUE(again->items.empty());
        ASSERT_EQ(again->hidden.size(), 1u);
        EXPECT_EQ(again->hidden[0].id, firstID);
        // A new line proves the transcript is followed; the old captures stay out.
        appendTo(transcript, imageLine("t3", TestImages::png(50, 90), now + 2));
        auto later = running.waitFor([](const Snapshot& s) { return s.items.size() == 1; });
        ASSERT_TRUE(later);
        EXPECT_NE(later->items[0].id, firstID);
        EXPECT_NE(later->items[0].id, secondID);
        EXPECT_EQ(later->hidden.size(), 1u);
    }
}

TEST_F(EngineEndToEndTest, WatchedFolderFilesArriveAndARemovedFolderLosesItsWatcher) {
    Engine::Config first = config();
    first.watchedFolders = {dir.makeDir("watched")};
    LiveEngine running(first);
    ASSERT_TRUE(running.waitFor([](const Snapshot&) { return true; }));
    dir.write("watched/deep/er/shot.png", TestImages::png(100, 80));
    auto arrived = running.waitFor([](const Snapshot& s) { return s.items.size() == 1; });
    ASSERT_TRUE(arrived);
    EXPECT_EQ(arrived->items[0].sourcePath, BrimlyPaths::canonicalPath(dir / "watched/deep/er/shot.png"));
    std::vector<std::string> roots;
    EngineProbe::inspect(running.engine(),
                         [&](const Engine& engine) { roots = EngineProbe::folderWatcherRoots(engine); });
    EXPECT_EQ(roots, std::vector<std::string>{BrimlyPaths::canonicalPath(dir / "watched")});
    running.engine().update(config());
    ASSERT_TRUE(running.waitFor([](const Snapshot& s) { return s.items.empty(); }));
    EngineProbe::inspect(running.engine(),
                         [&](const Engine& engine) { roots = EngineProbe::folderWatcherRoots(engine); });
    EXPECT_TRUE(roots.empty());
}

}  // namespace
}  // namespace brimly
