#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/base/ManualQueue.h"
#include "core/engine/EngineTestSupport.h"
#include "core/engine/TranscriptSet.h"
#include "core/store/Store.h"

namespace brimly {
namespace {

using testing::appendTo;
using testing::TempDir;

constexpr double nowUnix = 1'800'000'000;
const Date now = dateFromUnix(nowUnix);

std::string promptLine(const std::string& id) { return testing::promptLine(id, "prompt " + id); }

struct Fixture {
    explicit Fixture(std::int64_t chunk = 1 << 20)
        : set(Url::fromPath(dir.makeDir("claude/projects")), store, chunk) {}
    TempDir dir;
    Store store{dir / "support", [] { return now; }};
    TranscriptSet set;

    std::vector<std::string> promptsRead(const std::string& path, Date at = now) {
        std::vector<std::string> ids;
        set.read(path, at, [&](TranscriptBatch batch) {
            for (const Prompt& prompt : batch.prompts) ids.push_back(prompt.id);
        });
        return ids;
    }
};

TEST(TranscriptSet, OwnsOnlyTranscriptsInsideTheProjectsFolder) {
    Fixture f;
    const std::string& base = f.set.base();
    struct Case {
        std::string path;
        bool owns;
    };
    for (const Case& c : std::vector<Case>{{base + "/proj/abc.jsonl", true},
                                           {base + "/proj/abc/subagents/a.jsonl", true},
                                           {base + "/proj/abc.json", false},
                                           {base + "-old/proj/abc.jsonl", false},
                                           {base + "x/proj/abc.jsonl", false},
                                           {base + ".jsonl", false},
                                           {"/elsewhere/proj/abc.jsonl", false}}) {
        EXPECT_EQ(f.set.owns(c.path), c.owns) << c.path;
    }
    EXPECT_EQ(f.set.path("proj", "abc"), base + "/proj/abc.jsonl");
}

TEST(TranscriptSet, BaseIsTheRealPath) {
    TempDir dir;
    dir.makeDir("real/projects");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    Store store(dir / "support", [] { return now; });
    TranscriptSet set(Url::fromPath(dir / "link/projects"), store, 4096);
    EXPECT_EQ(set.base(), dir / "real/projects");
}

TEST(TranscriptSet, RecentFindsMainAndSubagentTranscripts) {
    Fixture f;
    const std::string base = f.set.base();
    auto write = [&](const std::string& relative, double secondsAgo) {
        std::string path = f.dir.write("claude/projects/" + relative, "{}\n");
        testing::setModified(path, nowUnix - secondsAgo);
        return path;
    };
    std::string main = write("proj/abc.jsonl", 30);
    std::string agent = write("proj/abc/subagents/agent-1.jsonl", 30);
    write("proj/abc/notes.jsonl", 30);
    write("proj/abc/subagents/agent-1.meta.json", 30);
    write("proj/old.jsonl", 3600);
    write("proj/notes.txt", 30);
    write("loose.jsonl", 30);
    std::string other = write("other/def.jsonl", 599);
    auto found = f.set.recent(600, now);
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected = {agent, main, other};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

TEST(TranscriptSet, ReadStoresTheOffsetAndAReopenedTailerContinuesThere) {
    Fixture f;
    std::string path = f.dir.write("claude/projects/proj/s.jsonl", promptLine("a") + promptLine("b"));
    EXPECT_EQ(f.promptsRead(path), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(f.set.isOpen(path));
    EXPECT_EQ(f.store.offsets().at(path), std::filesystem::file_size(path));

    f.set.prune(60, 300, now + 61);
    EXPECT_FALSE(f.set.isOpen(path));
    appendTo(path, promptLine("c"));
    EXPECT_EQ(f.promptsRead(path, now + 70), (std::vector<std::string>{"c"}));
    EXPECT_EQ(f.store.offsets().at(path), std::filesystem::file_size(path));
}

TEST(TranscriptSet, OffsetIsStoredAfterEveryBatch) {
    Fixture f(64);
    std::string first = promptLine("a");
    std::string path =
        f.dir.write("claude/projects/p/s.jsonl", first + std::string(200, ' ') + "\n" + promptLine("b"));
    std::vector<std::uint64_t> storedAtBatch;
    f.set.read(path, now, [&](TranscriptBatch) {
        auto stored = f.store.offsets().find(path);
        storedAtBatch.push_back(stored == f.store.offsets().end() ? 0 : stored->second);
    });
    // Each batch's offset is in the store before the next batch is handed over.
    ASSERT_EQ(storedAtBatch.size(), 2u);
    EXPECT_EQ(storedAtBatch[0], 0u);
    EXPECT_GE(storedAtBatch[1], first.size());
}

TEST(TranscriptSet, PruneKeepsTailersThatAwaitToolResults) {
    struct Case {
        bool pending;
        double age;
        bool open;
    };
    for (const Case& c : std::vector<Case>{{false, 60, true},
                                           {false, 100, false},
                                           {true, 100, true},
                                           {true, 300, true},
                                           {true, 301, false}}) {
        Fixture f;
        std::string path =
            f.dir.write("claude/projects/proj/s.jsonl",
                        c.pending ? testing::toolUseLine("t1", "Read", "/w/a.png") : promptLine("a"));
        f.promptsRead(path);
        f.set.prune(60, 300, now + c.age);
        EXPECT_EQ(f.set.isOpen(path), c.open) << c.pending << " " << c.age;
    }
}

TEST(TranscriptSet, VanishedTranscriptLeavesItsOffsetAlone) {
    Fixture f;
    std::string path = f.dir.write("claude/projects/proj/s.jsonl", promptLine("a"));
    f.promptsRead(path);
    std::uint64_t stored = f.store.offsets().at(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(f.promptsRead(path).empty());
    EXPECT_EQ(f.store.offsets().at(path), stored);
    EXPECT_TRUE(f.set.recent(600, now).empty());
}

TEST(TranscriptSet, HeldBackBatchKeepsItsOffsetAndIsRetriedWithGrowingDelays) {
    Fixture f;
    ManualQueue queue(0);
    std::string path = f.dir.write("claude/projects/proj/s.jsonl", promptLine("a"));
    f.promptsRead(path);
    appendTo(path, promptLine("b") + promptLine("c"));
    int holds = 2;
    std::vector<std::string> seen;
    std::vector<double> retriedAt;
    auto read = [&] {
        f.set.read(path, now, [&](TranscriptBatch batch) {
            for (const Prompt& prompt : batch.prompts) seen.push_back(prompt.id);
            if (holds-- > 0) f.set.holdBack();
        });
    };
    f.set.setRetry(queue, [&](const std::string& retried) {
        EXPECT_EQ(retried, path);
        retriedAt.push_back(queue.now());
        read();
    });
    read();
    EXPECT_EQ(f.store.offsets().at(path), promptLine("a").size());
    EXPECT_EQ(f.set.retryDelay(path), 2.0);
    queue.advance(600);
    EXPECT_EQ(retriedAt, (std::vector<double>{2, 6}));
    EXPECT_EQ(seen, (std::vector<std::string>{"b", "c", "b", "c", "b", "c"}));
    EXPECT_EQ(f.store.offsets().at(path), std::filesystem::file_size(path));
    EXPECT_EQ(f.set.retryDelay(path), std::nullopt);
}

TEST(TranscriptSet, TranscriptReplacedByRenameIsReadFromItsStart) {
    for (bool reopened : {false, true}) {
        Fixture f;
        std::string path = f.dir.write("claude/projects/proj/s.jsonl", promptLine("a") + promptLine("b"));
        f.promptsRead(path);
        if (reopened) f.set.prune(0, 0, now + 1);
        std::string longer =
            f.dir.write("claude/projects/proj/s.new", promptLine("x") + promptLine("y") + promptLine("z"));
        std::filesystem::rename(longer, path);
        EXPECT_EQ(f.promptsRead(path), (std::vector<std::string>{"x", "y", "z"})) << reopened;
    }
}

TEST(TranscriptSet, OffsetOfAnUnknownFileIsTrusted) {
    Fixture f;
    std::string path = f.dir.write("claude/projects/proj/s.jsonl", promptLine("a") + promptLine("b"));
    f.store.setOffset(promptLine("a").size(), path);
    EXPECT_EQ(f.promptsRead(path), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(f.store.offsetIdentity(path));
}

}  // namespace
}  // namespace brimly
