#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/engine/EngineTestSupport.h"
#include "core/engine/TranscriptTailer.h"

namespace brimly {
namespace {

using namespace testing;

std::set<std::string> sessionIDs(const TranscriptBatch& batch) {
    std::set<std::string> ids;
    for (const SessionSighting& s : batch.sessions) ids.insert(s.id);
    return ids;
}

TranscriptTailer tailerFor(const std::string& path, std::optional<std::uint64_t> offset = std::nullopt,
                           std::int64_t chunk = 1 << 20,
                           std::uint64_t window = TranscriptTailer::defaultWindow) {
    return TranscriptTailer(Url::fromPath(path), offset, window, chunk);
}

std::string sizedFile(const TempDir& dir, std::size_t bytes, std::vector<std::size_t>& lineStarts) {
    std::string content;
    for (int n = 0; content.size() < bytes; ++n) {
        lineStarts.push_back(content.size());
        // Long lines keep the file big and the line count small; the padding is never looked at.
        std::string line = promptLine("p" + std::to_string(n), "prompt " + std::to_string(n));
        line.insert(1,
                    "\"pad\":\"" + std::string(40000 + static_cast<std::size_t>(n % 7) * 1000, 'x') + "\",");
        content += line;
    }
    return dir.write("proj/s1.jsonl", content);
}

TEST(TranscriptTailer, FirstReadStartsAtTheFirstWholeLineOfTheWindowAndAStoredOffsetIsTrusted) {
    for (std::size_t bytes : {10u << 20, 1u << 20}) {
        TempDir dir;
        std::vector<std::size_t> starts;
        std::string path = sizedFile(dir, bytes, starts);
        std::uint64_t size = std::filesystem::file_size(path);
        auto tailer = tailerFor(path);
        TranscriptBatch batch = readAll(tailer);
        // A short file is read whole; a long one from the first line starting after the window's first byte.
        std::size_t first = 0;
        while (size > TranscriptTailer::defaultWindow &&
               starts[first] <= size - TranscriptTailer::defaultWindow)
            ++first;
        ASSERT_EQ(batch.prompts.size(), starts.size() - first) << bytes;
        EXPECT_EQ(batch.prompts.front().id, "p" + std::to_string(first));
        EXPECT_EQ(batch.prompts.back().id, "p" + std::to_string(starts.size() - 1));
        EXPECT_EQ(sessionIDs(batch), std::set<std::string>{"s1"});
        EXPECT_EQ(tailer.offset(), size);
    }
    // A stored offset is where reading continues, unless the file was rewritten shorter.
    TempDir dir;
    std::string first = promptLine("a", "first");
    std::string path = dir.write("proj/s1.jsonl", first + promptLine("b", "second"));
    struct Case {
        std::uint64_t offset;
        std::size_t prompts;
    };
    for (Case c : {Case{first.size(), 1}, Case{100000, 2}}) {
        auto tailer = tailerFor(path, c.offset);
        TranscriptBatch batch = readAll(tailer);
        ASSERT_EQ(batch.prompts.size(), c.prompts) << c.offset;
        EXPECT_EQ(batch.prompts.back().id, "b");
        EXPECT_EQ(tailer.offset(), std::filesystem::file_size(path));
    }
}

TEST(TranscriptTailer, LineWrittenInTwoHalvesIsParsedOnceWhole) {
    TempDir dir;
    std::string line = toolResultLine("t1", Json::array({imageBlock(std::string(100000, 'Q'))}));
    std::string path = dir.write("proj/s1.jsonl", line.substr(0, 5000));
    auto tailer = tailerFor(path, std::nullopt, 4096);
    EXPECT_TRUE(readAll(tailer).candidates.empty());
    EXPECT_EQ(tailer.offset(), 0u);
    appendTo(path, line.substr(5000));
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    EXPECT_EQ(tailer.offset(), line.size());
    EXPECT_TRUE(readAll(tailer).candidates.empty());
}

TEST(TranscriptTailer, ChunkSizeDoesNotChangeWhatIsFound) {
    TempDir dir;
    std::string big(200000, 'B');
    std::string content = promptLine("p1", "look") + toolUseLine("t1", "Read", "/w/a.png") +
                          toolResultLine("t1", Json::array({imageBlock("AAAA"), imageBlock(big)})) +
                          "{\"type\":\"progress\",\"data\":\"" + std::string(10000, 'z') + "\"}\n" +
                          toolUseLine("t2", "Read", "/w/b.txt") + toolResultLine("t2");
    std::string path = dir.write("proj/s1.jsonl", content);
    std::optional<TranscriptBatch> reference;
    for (std::int64_t chunk : {1 << 22, 1 << 16, 4097, 10}) {
        auto tailer = tailerFor(path, std::nullopt, chunk);
        TranscriptBatch batch = readAll(tailer);
        EXPECT_EQ(tailer.offset(), content.size()) << chunk;
        ASSERT_EQ(batch.candidates.size(), 4u) << chunk;
        if (!reference) reference = batch;
        EXPECT_EQ(batch.candidates, reference->candidates) << chunk;
        EXPECT_EQ(batch.prompts, reference->prompts) << chunk;
    }
    const auto& candidates = reference->candidates;
    EXPECT_EQ(candidates[0].readPath, "/w/a.png");
    EXPECT_EQ(candidates[1].captureID, "t1#1");
    EXPECT_EQ(candidates[2].captureID, "t1#2");
    EXPECT_EQ(candidates[1].readPath, "/w/a.png");
    EXPECT_EQ(std::get<Payload::Base64>(candidates[2].payload.value).text, big);
    EXPECT_EQ(std::get<Payload::Base64>(candidates[2].payload.value).fileExtension, "png");
    EXPECT_EQ(candidates[3].readPath, "/w/b.txt");
    for (const Candidate& c : candidates) {
        EXPECT_EQ(c.source, Source::transcript);
        EXPECT_EQ(c.sessionID, "s1");
        EXPECT_EQ(c.slug, "proj");
        EXPECT_EQ(c.promptID, "p1");
    }
}

TEST(TranscriptTailer, HugeLineAcrossManyReadsIsDecodedOnce) {
    TempDir dir;
    std::string huge(13u << 20, 'H');
    std::string imageLine = toolResultLine("t1", Json::array({imageBlock("HUGE")}));
    imageLine.replace(imageLine.find("HUGE"), 4, huge);
    std::string content = promptLine("p1", "go") + imageLine + promptLine("p2", "next");
    std::string path = dir.write("proj/s1.jsonl", content);
    auto tailer = tailerFor(path, std::nullopt, 1 << 20, std::uint64_t{64} << 20);
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    EXPECT_EQ(std::get<Payload::Base64>(batch.candidates[0].payload.value).text.size(), huge.size());
    EXPECT_EQ(batch.prompts.size(), 2u);
    EXPECT_EQ(tailer.offset(), content.size());
}

// Only a Read with an absolute path names a file; its result may come in a later read.
TEST(TranscriptTailer, AReadResultArrivingLaterStillGivesTheFile) {
    TempDir dir;
    std::string path = dir.write(
        "proj/s1.jsonl", toolUseLine("t1", "Write", "/w/a.png") + toolUseLine("t2", "Read", "rel.png") +
                             toolUseLine("t3", "Read", "/w/shot.png") + toolResultLine("t1") +
                             toolResultLine("t2") + toolResultLine("unknown"));
    auto tailer = tailerFor(path);
    EXPECT_TRUE(readAll(tailer).candidates.empty());
    EXPECT_TRUE(tailer.awaitsToolResults());
    appendTo(path, toolResultLine("t3"));
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    EXPECT_EQ(batch.candidates[0].payload, (Payload{Payload::File{Url::fromPath("/w/shot.png")}}));
    EXPECT_EQ(batch.candidates[0].readPath, "/w/shot.png");
    EXPECT_FALSE(tailer.awaitsToolResults());
}

TEST(TranscriptTailer, ToolMemoryIsTrimmedToTheNewest2000) {
    TempDir dir;
    std::string content;
    for (int i = 0; i <= 4000; ++i) {
        content += toolUseLine("t" + std::to_string(i), "Read", "/w/" + std::to_string(i));
    }
    std::string path = dir.write("proj/s1.jsonl", content);
    auto tailer = tailerFor(path);
    readAll(tailer);
    EXPECT_TRUE(tailer.awaitsToolResults());
    appendTo(path, toolResultLine("t2000") + toolResultLine("t2001"));
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    // The oldest kept is the 2000th newest.
    EXPECT_EQ(batch.candidates[0].readPath, "/w/2001");
}

TEST(TranscriptTailer, HeldBackBatchIsReadAgainFromItsFirstLine) {
    TempDir dir;
    // A cut-off line first, so that a first read from the window skips it; then one line per chunk.
    std::string lead = "{\"cut\":\"" + std::string(90, 'x') + "\"}\n";
    std::string a = promptLine("a", "one"), b = promptLine("b", "two"), c = promptLine("c", "three");
    std::string path = dir.write("proj/s1.jsonl", lead + a + b + c);
    struct Case {
        std::optional<std::uint64_t> offset;
        std::uint64_t window;
    };
    for (const Case& start : {Case{0, TranscriptTailer::defaultWindow},
                              Case{std::nullopt, a.size() + b.size() + c.size() + 10}}) {
        auto tailer = tailerFor(path, start.offset, static_cast<std::int64_t>(b.size()), start.window);
        std::vector<std::string> seen;
        tailer.read([&](TranscriptBatch batch) {
            for (const Prompt& prompt : batch.prompts) seen.push_back(prompt.id);
            if (batch.prompts.front().id == "b") tailer.holdBack();
        });
        EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
        EXPECT_EQ(tailer.offset(), lead.size() + a.size());
        std::vector<std::string> again;
        for (const Prompt& prompt : readAll(tailer).prompts) again.push_back(prompt.id);
        EXPECT_EQ(again, (std::vector<std::string>{"b", "c"}));
    }
}

TEST(TranscriptTailer, SlugComesFromTheProjectFolder) {
    struct Case {
        std::string path, slug;
    };
    for (const Case& c : std::vector<Case>{{"/c/projects/p/s.jsonl", "p"},
                                           {"/c/projects/p/s/subagents/a.jsonl", "p"},
                                           {"/c/projects/-Users-me-x/agent-1.jsonl", "-Users-me-x"}}) {
        EXPECT_EQ(tailerFor(c.path).slug(), c.slug) << c.path;
    }
}

TEST(TranscriptTailer, SessionsAreMergedWithinABatch) {
    TempDir dir;
    std::string path = dir.write(
        "proj/s1/subagents/a.jsonl",
        userLine("x", {{"cwd", "/a"}, {"gitBranch", "main"}, {"timestamp", "2026-01-01T00:00:10Z"}}) +
            userLine("y", {{"cwd", "/b"}, {"timestamp", "2026-01-01T00:00:20Z"}}) +
            userLine("z", {{"timestamp", "2026-01-01T00:00:01Z"}}) +
            promptLine("q", "w", {{"sessionId", "s2"}}));
    auto tailer = tailerFor(path);
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.sessions.size(), 2u);
    const SessionSighting& s1 = batch.sessions[0];
    EXPECT_EQ(s1.cwd, "/b");
    EXPECT_EQ(s1.branch, "main");
    EXPECT_EQ(s1.slug, "proj");
    EXPECT_EQ(s1.at, *parseIso8601("2026-01-01T00:00:20Z"));
    EXPECT_EQ(batch.sessions[1].id, "s2");
    EXPECT_TRUE(batch.fileCreated);
    EXPECT_EQ(s1.fileCreated, batch.fileCreated);
}

TEST(TranscriptTailer, LinesWithoutPromptIdsBelongToTheNewestPrompt) {
    TempDir dir;
    Json result = *JsonIO::parse(toolResultLine("t1", Json::array({imageBlock("AAAA")})));
    result.erase("promptId");
    std::string path = dir.write(
        "proj/s1.jsonl", userLine("draw it", {{"timestamp", "2026-01-01T00:00:10Z"}}) + result.dump() + "\n");
    auto tailer = tailerFor(path);
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.prompts.size(), 1u);
    EXPECT_EQ(batch.prompts[0].id, "s1@2026-01-01T00:00:10.000Z");
    ASSERT_EQ(batch.candidates.size(), 1u);
    EXPECT_EQ(batch.candidates[0].promptID, batch.prompts[0].id);
}

TEST(TranscriptTailer, ArtifactsAndTitlesAreReported) {
    TempDir dir;
    std::string artifact = toolResultLine(
        "t1", "Published",
        {{"toolUseResult",
          {{"url", "https://claude.ai/code/artifact/abc-1"}, {"path", "/w/p.html"}, {"title", "Page"}}}});
    Json title = {{"type", "custom-title"}, {"sessionId", "s1"}, {"customTitle", "Named"}};
    std::string path = dir.write("proj/s1.jsonl", artifact + title.dump() + "\n");
    auto tailer = tailerFor(path);
    TranscriptBatch batch = readAll(tailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    const auto& info = std::get<Payload::Artifact>(batch.candidates[0].payload.value).info;
    EXPECT_EQ(info.id, "abc-1");
    EXPECT_EQ(info.title, "Page");
    EXPECT_EQ(info.path, "/w/p.html");
    EXPECT_EQ(batch.candidates[0].captureID, "abc-1");
    ASSERT_EQ(batch.titles.size(), 1u);
    EXPECT_EQ(batch.titles[0], (SessionTitle{"s1", SessionTitle::Kind::custom, "Named", "proj"}));
}

TEST(TranscriptTailer, EmptyVanishedAndGarbageFiles) {
    TempDir dir;
    std::string path = dir.write("proj/s1.jsonl", "");
    // A chunk below one byte is read as one.
    auto tailer = tailerFor(path, std::nullopt, -5);
    int calls = 0;
    readAll(tailer, &calls);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(tailer.offset(), 0u);

    // Garbage lines are skipped and consumed.
    std::string content =
        "not json \"type\":\"user\"\n{\"type\":\"user\",\"broken\n\xff\xfe\"tool_use\"\n\n" +
        promptLine("a", "after");
    appendTo(path, content);
    EXPECT_EQ(readAll(tailer).prompts.size(), 1u);
    EXPECT_EQ(tailer.offset(), content.size());
    std::filesystem::remove(path);
    readAll(tailer, &calls);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(tailer.offset(), content.size());
}

TEST(TranscriptTailer, TitlesInTheTail) {
    TempDir dir;
    auto title = [](const std::string& kind, const std::string& key, const std::string& text) {
        return Json{{"type", kind}, {"sessionId", "s1"}, {key, text}}.dump() + "\n";
    };
    std::string head = title("ai-title", "aiTitle", "too early") + std::string(5000, 'x') + "\n";
    std::string tail = title("ai-title", "aiTitle", "First") + promptLine("p", "x") +
                       title("agent-name", "agentName", "bob") + title("custom-title", "customTitle", "Last");
    std::string path = dir.write("proj/s1/subagents/a.jsonl", head + tail.substr(0, tail.size() - 1));
    auto titles = TranscriptTailer::titles(Url::fromPath(path), tail.size() + 10);
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0].text, "First");
    EXPECT_EQ(titles[1].kind, SessionTitle::Kind::agentName);
    EXPECT_EQ(titles[2].text, "Last");
    EXPECT_EQ(titles[2].slug, "proj");
    EXPECT_EQ(TranscriptTailer::titles(Url::fromPath(path)).size(), 4u);
    EXPECT_TRUE(TranscriptTailer::titles(Url::fromPath(dir / "missing.jsonl")).empty());
}

TEST(TranscriptTailer, RealTranscriptsGiveTheExpectedCaptures) {
    std::string folder = testing::sharedTestData("transcripts");
    if (folder.empty()) GTEST_SKIP() << "shared test data is absent";
    TempDir dir;
    // The published-artifact probe: the call, then its result, as two reads.
    std::string probeFiles = folder + "/daaain-ccl__real-probe-trimmed__v2.1.198__Artifact-tool_";
    std::string probe = dir.write("proj/probe.jsonl", *AtomicFile::read(probeFiles + "use.jsonl"));
    auto probeTailer = tailerFor(probe);
    readAll(probeTailer);
    EXPECT_TRUE(probeTailer.awaitsToolResults());
    appendTo(probe, *AtomicFile::read(probeFiles + "result.jsonl"));
    TranscriptBatch batch = readAll(probeTailer);
    ASSERT_EQ(batch.candidates.size(), 1u);
    EXPECT_EQ(std::get<Payload::Artifact>(batch.candidates[0].payload.value).info.id,
              "e897407d-f44d-4654-b436-69973ce1964a");
    EXPECT_FALSE(probeTailer.awaitsToolResults());

    // A pasted screenshot is the user's own image, not something the agent made or looked at.
    std::string pasted =
        dir.write("proj/x.jsonl",
                  *AtomicFile::read(
                      folder + "/ccl-fork__real__v2.0.55__two-images-one-line__debug_image_message.jsonl"));
    auto pastedTailer = tailerFor(pasted, std::nullopt, 65536);
    batch = readAll(pastedTailer);
    EXPECT_TRUE(batch.candidates.empty());
    EXPECT_EQ(batch.prompts.size(), 1u);
}

}  // namespace
}  // namespace brimly
