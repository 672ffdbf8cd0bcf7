#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/Clock.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/engine/EngineTestSupport.h"
#include "core/engine/Ingest.h"
#include "core/engine/TranscriptTailer.h"

namespace brimly {
namespace {

using namespace testing;

std::string resultLine(const std::string& id, Json toolUseResult) {
    return toolResultLine(id, "done", {{"toolUseResult", std::move(toolUseResult)}});
}

TranscriptBatch tailOnce(const std::string& path) {
    TranscriptTailer tailer(Url::fromPath(path), std::nullopt, TranscriptTailer::defaultWindow, 1 << 20);
    return readAll(tailer);
}

// A fetched web page's result carries an address alone, as a published page's does: only the tool that
// the result answers, named lines earlier, tells them apart.
TEST(TranscriptBatch, OnlyPublishedPagesBecomeArtifacts) {
    const Json webFetch = {{"bytes", 48213},    {"code", 200},     {"codeText", "OK"},
                           {"durationMs", 912}, {"result", "..."}, {"url", "https://docs.example.com/guide"}};
    const Json published = {{"url", "https://claude.ai/code/artifact/probe"}, {"path", "/w/p.html"}};
    Json publishedWithMore = published;
    publishedWithMore["favicon"] = "*";
    const Json withID = {{"artifact_id", "a1"}, {"url", "https://claude.ai/x"}, {"extra", 1}};
    struct Case {
        std::optional<std::string> tool;
        Json result;
        bool published;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {std::nullopt, webFetch,          false},
        {"WebFetch",   webFetch,          false},
        {"Artifact",   webFetch,          true},
        {std::nullopt, published,         true},
        {"WebFetch",   published,         false},
        {"Artifact",   publishedWithMore, true},
        {"WebFetch",   withID,            true},
    };
    // clang-format on
    for (const Case& c : cases) {
        TempDir dir;
        std::string path = dir.write("proj/s1.jsonl",
                                     (c.tool ? toolUseLine("t1", *c.tool) : "") + resultLine("t1", c.result));
        std::size_t artifacts = 0;
        for (const Candidate& candidate : tailOnce(path).candidates)
            artifacts += std::holds_alternative<Payload::Artifact>(candidate.payload.value);
        EXPECT_EQ(artifacts, c.published ? 1u : 0u) << c.result << " " << c.tool.value_or("-");
    }
}

TEST(TranscriptBatch, ASessionStartsAtItsEarliestLine) {
    // A restored transcript: its file is newer than every line in it.
    TempDir dir;
    std::string path = dir.write(
        "proj/s1.jsonl", promptLine("first", "first", {{"timestamp", "2024-05-01T09:00:00Z"}}) +
                             promptLine("last", "last", {{"timestamp", "2024-05-01T11:30:00Z"}}) +
                             promptLine("between", "between", {{"timestamp", "2024-05-01T10:00:00Z"}}));
    TempDir support;
    ManualClock clock{*parseIso8601("2024-06-01T00:00:00Z")};
    Store store(support.path(), [&clock] { return clock.now(); });
    Ingest ingest(store, ItemFilter{}, 30, clock);
    ingest.apply(tailOnce(path));
    const Session& session = store.sessions().at("s1");
    EXPECT_EQ(session.startedAt, *parseIso8601("2024-05-01T09:00:00Z"));
    EXPECT_EQ(session.lastActive, *parseIso8601("2024-05-01T11:30:00Z"));
}

}  // namespace
}  // namespace brimly
