#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>

#include "core/base/Crypto.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/ThreadQueue.h"
#include "core/config/BrimlyPaths.h"
#include "core/engine/EngineHost.h"
#include "core/engine/EngineProbe.h"
#include "core/platform/FileSystem.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

using testing::TempDir;
namespace TestImages = testing::TestImages;

constexpr auto deadline = std::chrono::seconds(10);

std::string imageResultLine(const std::string& session, const std::string& toolID, const std::string& png,
                            Date at) {
    Json image = {
        {"type", "image"},
        {"source", {{"type", "base64"}, {"media_type", "image/png"}, {"data", Crypto::base64Encode(png)}}}};
    Json line = {{"type", "user"},
                 {"sessionId", session},
                 {"cwd", "/work/project"},
                 {"promptId", "p1"},
                 {"timestamp", formatIso8601(at)},
                 {"message",
                  {{"role", "user"},
                   {"content", {{{"type", "tool_result"}, {"tool_use_id", toolID}, {"content", {image}}}}}}}};
    return line.dump() + "\n";
}

std::string promptLine(const std::string& session, Date at) {
    Json line = {{"type", "user"},
                 {"sessionId", session},
                 {"cwd", "/work/project"},
                 {"promptId", "p1"},
                 {"timestamp", formatIso8601(at)},
                 {"message", {{"role", "user"}, {"content", "make a picture"}}}};
    return line.dump() + "\n";
}

void append(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << bytes;
}

// An engine on its own thread with real watchers; snapshots arrive on a second thread standing in for the
// main one, and tests wait for the one they need.
class Running {
public:
    Running(const Engine::Config& config) {
        auto onSnapshot = [this](std::shared_ptr<const Snapshot> snapshot) {
            std::lock_guard lock(m_mutex);
            m_latest = std::move(snapshot);
            m_changed.notify_all();
        };
        m_host = std::make_unique<EngineHost>(config, SystemClock::shared(), m_main,
                                              Engine::Handlers{.onSnapshot = onSnapshot});
        m_host->start(true);
    }
    // Dropping the host stops the engine and writes the store.
    ~Running() {
        m_host.reset();
        m_main.drain();
    }
    // The first snapshot that satisfies `test`, or nothing at the deadline.
    std::shared_ptr<const Snapshot> waitFor(const std::function<bool(const Snapshot&)>& test) {
        std::unique_lock lock(m_mutex);
        bool met = m_changed.wait_for(lock, deadline, [&] { return m_latest && test(*m_latest); });
        return met ? m_latest : nullptr;
    }
    Engine& engine() { return m_host->engine(); }

private:
    ThreadQueue m_main{"main"};
    std::unique_ptr<EngineHost> m_host;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::shared_ptr<const Snapshot> m_latest;
};

class EngineEndToEndTest : public ::testing::Test {
protected:
    Engine::Config config() {
        Engine::Config result{.paths = BrimlyPaths{.claudeHome = Url::fromPath(dir / "claude"),
                                                   .scratchRoot = Url::fromPath(dir / "scratch"),
                                                   .supportDir = Url::fromPath(dir / "support"),
                                                   .chromeRoot = Url::fromPath(dir / "tmp")}};
        return result;
    }
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
        Running running(config());
        ASSERT_TRUE(running.waitFor([](const Snapshot&) { return true; }));
        append(transcript, promptLine("s1", now) + imageResultLine("s1", "t1", first, now));
        auto one = running.waitFor([](const Snapshot& s) { return s.items.size() == 1; });
        ASSERT_TRUE(one) << "the appended image reaches a snapshot";
        firstID = one->items[0].id;
        append(transcript, imageResultLine("s1", "t2", second, now + 1));
        auto two = running.waitFor([](const Snapshot& s) { return s.items.size() == 2; });
        ASSERT_TRUE(two);
        secondID = two->items[0].id == firstID ? two->items[1].id : two->items[0].id;
        running.engine().hide({firstID});
        running.engine().remove({secondID});
        ASSERT_TRUE(
            running.waitFor([](const Snapshot& s) { return s.items.empty() && s.hidden.size() == 1; }));
    }
    // Forgetting the read offsets makes the next run read the whole transcript again.
    ASSERT_EQ(::remove((dir / "support/offsets.json").c_str()), 0);
    {
        Running running(config());
        auto again = running.waitFor([](const Snapshot&) { return true; });
        ASSERT_TRUE(again);
        EXPECT_TRUE(again->items.empty());
        ASSERT_EQ(again->hidden.size(), 1u);
        EXPECT_EQ(again->hidden[0].id, firstID);
        // A new line proves the transcript is followed; the old captures stay out.
        append(transcript, imageResultLine("s1", "t3", TestImages::png(50, 90), now + 2));
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
    Running running(first);
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
