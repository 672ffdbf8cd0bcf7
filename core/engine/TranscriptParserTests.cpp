#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/engine/TranscriptParser.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using namespace std::string_literals;

Json userLine(Json content) {
    return Json{{"type", "user"},
                {"sessionId", "s1"},
                {"cwd", "/work/p"},
                {"gitBranch", "main"},
                {"timestamp", "2026-03-04T05:06:07.250Z"},
                {"promptId", "p1"},
                {"message", {{"role", "user"}, {"content", std::move(content)}}}};
}

Json imageBlock(const std::string& data, std::optional<std::string> mediaType) {
    Json source = {{"type", "base64"}, {"data", data}};
    if (mediaType) source["media_type"] = *mediaType;
    return Json{{"type", "image"}, {"source", source}};
}

Json toolResult(const std::string& id, Json content) {
    return Json{{"type", "tool_result"}, {"tool_use_id", id}, {"content", std::move(content)}};
}

std::optional<TranscriptRecord> parse(const Json& line) { return TranscriptParser::record(line.dump()); }

TEST(TranscriptParser, PromptTextIsSummarizedAndCommandEchoesAreNot) {
    struct Case {
        Json content;
        std::optional<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"  Make the chart bigger\nand blue  ", "Make the chart bigger"},
        {Json::array({{{"type", "text"}, {"text", "\n\nfrom blocks"}}}), "from blocks"},
        {"<local-command-stdout>done</local-command-stdout>", std::nullopt},
        {"<local-command whatever follows", std::nullopt},
        {"<command-name>/clear</command-name>", std::nullopt},
        {"[Request interrupted by user]", std::nullopt},
        {" \n\t \n", std::nullopt},
        {Json::array(), std::nullopt},
        {"\u2028", std::nullopt},
        {"\u00a0\u2029\u0085", std::nullopt},
        {"\u2029<local-command-stdout>done</local-command-stdout>", std::nullopt},
        {"\u3000\u2028Draw it\u2029", "Draw it"},
    };
    for (const Case& c : cases) {
        auto record = parse(userLine(c.content));
        ASSERT_TRUE(record) << c.content;
        EXPECT_EQ(record->promptText, c.expected) << c.content;
    }
}

TEST(TranscriptParser, MetaSidechainAndAssistantLinesGiveNoPrompt) {
    Json meta = userLine("hello"), side = meta, assistant = meta;
    meta["isMeta"] = true;
    side["isSidechain"] = true;
    assistant["message"]["role"] = "assistant";
    for (const Json& line : {meta, side, assistant}) {
        auto record = parse(line);
        ASSERT_TRUE(record);
        EXPECT_FALSE(record->promptText) << line;
    }
    EXPECT_TRUE(parse(meta)->isMeta);
    EXPECT_TRUE(parse(side)->isSidechain);
}

TEST(TranscriptParser, ToolResultImageIsFoundWithItsContext) {
    const std::string data(300000, 'A');
    auto record = parse(
        userLine(Json::array({toolResult("toolu_1", Json::array({{{"type", "text"}, {"text", "shot"}},
                                                                 imageBlock(data, std::nullopt),
                                                                 imageBlock("iVBOR", "image/jpeg")}))})));
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->promptText);
    EXPECT_EQ(record->toolResultIDs, std::vector<std::string>{"toolu_1"});
    ASSERT_EQ(record->images.size(), 2u);
    const TranscriptImage& first = record->images[0];
    EXPECT_EQ(first.base64, data);
    EXPECT_EQ(first.mediaType, "image/png");
    EXPECT_EQ(first.fileExtension(), "png");
    EXPECT_EQ(first.toolUseID, "toolu_1");
    EXPECT_EQ(first.sessionID, "s1");
    EXPECT_EQ(first.cwd, "/work/p");
    EXPECT_EQ(first.timestamp, parseIso8601("2026-03-04T05:06:07.250Z"));
    EXPECT_EQ(record->images[1].fileExtension(), "jpeg");
}

// Pasted images and images by url are ignored; escaped base64 is unescaped.
TEST(TranscriptParser, OnlyBase64ImagesInToolResultsCountAndAreUnescaped) {
    Json urlImage = {{"type", "image"}, {"source", {{"type", "url"}, {"url", "https://x/y.png"}}}};
    auto pasted =
        parse(userLine(Json::array({imageBlock("AAAA", "image/png"), {{"type", "text"}, {"text", "hi"}}})));
    ASSERT_TRUE(pasted);
    EXPECT_TRUE(pasted->images.empty());
    EXPECT_EQ(pasted->promptText, "hi");
    auto byUrl = parse(userLine(Json::array({toolResult("t", Json::array({urlImage}))})));
    ASSERT_TRUE(byUrl);
    EXPECT_TRUE(byUrl->images.empty());
    std::string line =
        userLine(Json::array({toolResult("t", Json::array({imageBlock("PLACEHOLDER", "image/png")}))}))
            .dump();
    line.replace(line.find("PLACEHOLDER"), 11, R"(ab\/cd\u0041)");
    auto images = TranscriptParser::images(line);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].base64, "ab/cdA");
}

TEST(TranscriptParser, MediaTypeGivesASafeExtension) {
    struct Case {
        std::string mediaType, extension;
    };
    for (const Case& c : std::vector<Case>{{"image/png", "png"},
                                           {"IMAGE/WebP", "webp"},
                                           {"image/svg+xml", "svg"},
                                           {"image/../../x", "bin"},
                                           {"text/plain", "bin"},
                                           {"image/", "bin"}}) {
        EXPECT_EQ((TranscriptImage{"", c.mediaType}.fileExtension()), c.extension) << c.mediaType;
    }
}

TEST(TranscriptParser, TitleLines) {
    struct Case {
        Json line;
        std::optional<SessionTitle::Kind> kind;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {{{"type", "ai-title"}, {"sessionId", "s"}, {"aiTitle", "Fix the build"}}, SessionTitle::Kind::ai},
        {{{"type", "custom-title"}, {"sessionId", "s"}, {"customTitle", "Mine"}}, SessionTitle::Kind::custom},
        {{{"type", "agent-name"}, {"sessionId", "s"}, {"agentName", "bob"}}, SessionTitle::Kind::agentName},
        {{{"type", "ai-title"}, {"aiTitle", "no session"}}, std::nullopt},
        {{{"type", "ai-title"}, {"sessionId", "s"}, {"customTitle", "wrong key"}}, std::nullopt},
        {{{"type", "ai-title"}, {"sessionId", "s"}, {"aiTitle", 42}}, std::nullopt},
    };
    // clang-format on
    for (const Case& c : cases) {
        auto record = parse(c.line);
        ASSERT_EQ(record.has_value(), c.kind.has_value()) << c.line;
        if (!record) continue;
        ASSERT_TRUE(record->title) << c.line;
        EXPECT_EQ(record->title->kind, *c.kind);
        EXPECT_EQ(record->title->sessionID, "s");
        EXPECT_FALSE(record->title->slug);
        EXPECT_TRUE(TranscriptParser::mayBeTitle(c.line.dump()));
    }
}

TEST(TranscriptParser, Artifacts) {
    struct Case {
        Json result;
        std::optional<std::string> id;
    };
    const std::string url = "https://claude.ai/code/artifact/e897407d-f44d";
    const std::vector<Case> cases = {
        {{{"artifact_id", "given"}, {"url", url}, {"title", "T"}}, "given"},
        {{{"url", url}, {"path", "/w/a.html"}, {"title", "T"}}, "e897407d-f44d"},
        {{{"url", url + "/"}}, "e897407d-f44d"},
        {{{"url", "HTTPS://claude.ai/a/b"}}, "b"},
        {{{"artifact_id", "x"}, {"url", "http://claude.ai/a/b"}}, std::nullopt},
        {{{"artifact_id", "x"}, {"url", "file:///tmp/a.html"}}, std::nullopt},
        {{{"artifact_id", "x"}, {"url", "claude.ai/a/b"}}, std::nullopt},
        {{{"artifact_id", "x"}}, std::nullopt},
        {{{"url", "https://claude.ai/"}}, std::nullopt},
    };
    for (const Case& c : cases) {
        Json line = userLine(Json::array({toolResult("toolu_a", "Published")}));
        line["toolUseResult"] = c.result;
        auto record = parse(line);
        ASSERT_TRUE(record);
        ASSERT_EQ(record->artifact.has_value(), c.id.has_value()) << c.result;
        if (!c.id) continue;
        EXPECT_EQ(record->artifact->id, *c.id);
        EXPECT_EQ(record->artifact->toolUseID, "toolu_a");
    }
}

TEST(TranscriptParser, TimestampsWithAndWithoutFractionsParse) {
    struct Case {
        Json timestamp;
        bool parses;
    };
    for (const Case& c : std::vector<Case>{{"2026-03-04T05:06:07.123Z", true},
                                           {"2026-03-04T05:06:07Z", true},
                                           {"yesterday", false},
                                           {12345, false}}) {
        Json line = userLine("hi");
        line["timestamp"] = c.timestamp;
        auto record = parse(line);
        ASSERT_TRUE(record) << c.timestamp;
        EXPECT_EQ(record->timestamp.has_value(), c.parses) << c.timestamp;
        EXPECT_EQ(record->promptText, "hi");
    }
    Json line = userLine("hi");
    line["timestamp"] = "2026-03-04T05:06:07.5Z";
    EXPECT_DOUBLE_EQ(*parse(line)->timestamp - *parseIso8601("2026-03-04T05:06:07Z"), 0.5);
}

TEST(TranscriptParser, ToolUsesNeedAnIdAndAName) {
    Json line = {
        {"type", "assistant"},
        {"sessionId", "s"},
        {"message",
         {{"role", "assistant"},
          {"content",
           {{{"type", "tool_use"}, {"id", "t1"}, {"name", "Read"}, {"input", {{"file_path", "/a.png"}}}},
            {{"type", "tool_use"}, {"id", "t2"}, {"name", "Bash"}, {"input", {{"command", "ls"}}}},
            {{"type", "tool_use"}, {"name", "NoId"}},
            {{"type", "tool_use"}, {"id", "t3"}},
            {{"type", "tool_use"}, {"id", "t4"}, {"name", "Read"}, {"input", {{"file_path", 7}}}}}}}}};
    auto record = parse(line);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->toolUses,
              (std::vector<ToolUse>{
                  {"t1", "Read", "/a.png"}, {"t2", "Bash", std::nullopt}, {"t4", "Read", std::nullopt}}));
    EXPECT_TRUE(record->toolResultIDs.empty());
}

TEST(TranscriptParser, KeyOrderDoesNotMatter) {
    // The message comes before the fields that decide how it is read.
    std::string line = R"({"message":{"content":[{"content":[{"source":{"data":"QUJD","type":"base64"},)"
                       R"("type":"image"}],"type":"tool_result","tool_use_id":"t9"}],"role":"user"},)"
                       R"("isMeta":false,"sessionId":"s","type":"user"})";
    auto record = TranscriptParser::record(line);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->images.size(), 1u);
    EXPECT_EQ(record->images[0].base64, "QUJD");
    EXPECT_EQ(record->images[0].toolUseID, "t9");
}

TEST(TranscriptParser, BadLinesGiveNothing) {
    const std::vector<std::string> lines = {
        "",
        "null",
        "[1,2]",
        "\"text\"",
        "{",
        R"({"type":"user","sessionId":"s","message":{"role":"user","content":"hi")",
        R"({"type":"summary","summary":"x","leafUuid":"u"})",
        R"({"type":"progress"})",
        std::string(200, '{'),
        std::string(5000, '['),
        "{\"type\":\"user\",\"sessionId\":\"s\"}\0garbage"s,
        R"({"type":"user","sessionId":"s"}{"type":"user"})",
        R"({"type":"user","sessionId":"s"} 1)",
        R"({"sessionId":"s","other":{"deep":["\q"]}})",
        R"({"sessionId":"s","other":"\u12G4"})",
        R"({"sessionId":"s","other":[tru]})",
        R"({"sessionId":"s","other":01})",
        R"({"sessionId":"s","other":{"bad\x":1}})",
        R"({"sessionId":"s","type":"\q"})",
    };
    for (const std::string& line : lines) {
        EXPECT_FALSE(TranscriptParser::record(line)) << line;
    }
    // Invalid UTF-8 is malformed JSON, refused like any other.
    EXPECT_FALSE(
        TranscriptParser::record("{\"type\":\"user\",\"sessionId\":\"s\xff\",\"message\":{\"role\":\"user\","
                                 "\"content\":\"hi \xc3\"}}"));
    // Well-formed values the shelf ignores, however odd, leave the line whole. JavaScript writes a lone
    // surrogate when it cuts text inside an emoji; where it sits in a read field, that field is absent.
    // clang-format off
    for (std::string_view line : {
             R"({"sessionId":"s","type":"what-is-this"})",
             R"({"sessionId":"s","n":[-0.5e+3,1E400,123456789012345678901234567890,true,false,null,{}]})",
             R"({"sessionId":"s","text":"\ud83d cut \"\\\/\b\f\n\r\t\u00e9","\u006b":1} )",
         }) {
        EXPECT_TRUE(TranscriptParser::record(line)) << line;
    }
    // clang-format on
    std::string deep = R"({"sessionId":"s","x":)" + std::string(1000, '[') + std::string(1000, ']') + "}";
    EXPECT_TRUE(TranscriptParser::record(deep));
    auto cut = TranscriptParser::record(R"({"sessionId":"s","cwd":"/w/\ud83d","gitBranch":"main"})");
    ASSERT_TRUE(cut);
    EXPECT_FALSE(cut->cwd);
    EXPECT_EQ(cut->gitBranch, "main");
}

TEST(TranscriptParser, Prefilters) {
    struct Case {
        std::string line;
        bool interesting, title, image;
    };
    const std::vector<Case> cases = {
        {R"({"type":"user","message":{}})", true, false, false},
        {R"({"type":"assistant","content":[{"type":"tool_use"}]})", true, false, false},
        {R"({"type":"assistant","content":[{"type":"text"}]})", false, false, false},
        {R"({"type": "user"})", false, false, false},
        {R"({"type":"ai-title","aiTitle":"x"})", true, true, false},
        {R"({"type":"agent-name"})", true, true, false},
        {R"({"x":"custom-title"})", true, true, false},
        {R"(custom-title without quote)", false, false, false},
        {R"({"type":"image","source":{}})", false, false, true},
        {R"({"type":"progress"})", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranscriptParser::mayBeInteresting(c.line), c.interesting) << c.line;
        EXPECT_EQ(TranscriptParser::mayBeTitle(c.line), c.title) << c.line;
        EXPECT_EQ(TranscriptParser::mayContainImage(c.line), c.image) << c.line;
    }
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// In the samples the key appears only at the top level of a line. One sample was re-serialised with spaces.
bool namesSession(const std::string& line) {
    return line.find(R"("sessionId":")") != std::string::npos ||
           line.find(R"("sessionId": ")") != std::string::npos;
}

struct RealFile {
    std::size_t prompts, toolUses, reads, toolResults, artifacts;
};

TEST(TranscriptParser, EveryRealLineNamingASessionDecodesWithTheExpectedContents) {
    std::string folder = testing::sharedTestData("transcripts");
    if (folder.empty()) GTEST_SKIP() << "shared test data is absent";
    // Counts taken by hand from the files (jq over the same fields); the other files are only decoded.
    const std::map<std::string, RealFile> expected = {
        {"ccl-fork__real__summary-only-file__4e27c414.jsonl", {0, 0, 0, 0, 0}},
        {"ccl-fork__real__v2.0.55__two-images-one-line__debug_image_message.jsonl", {1, 0, 0, 0, 0}},
        {"ccl-fork__real__v2.0.5__single-image-line__dev-docs-image.jsonl", {1, 0, 0, 0, 0}},
        {"ccl-fork__real__v2.1.17__subagents__agent-a2271d1.jsonl", {0, 0, 12, 0, 0}},
        {"daaain-ccl__real-probe-trimmed__v2.1.198__Artifact-tool_result.jsonl", {0, 0, 0, 1, 1}},
        {"daaain-ccl__real-probe-trimmed__v2.1.198__Artifact-tool_use.jsonl", {0, 1, 0, 0, 0}},
    };
    std::size_t decoded = 0, counted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".jsonl") continue;
        std::string name = entry.path().filename().string();
        RealFile found{0, 0, 0, 0, 0};
        for (const std::string& line : linesOf(entry.path().string())) {
            auto record = TranscriptParser::record(line);
            if (namesSession(line)) {
                EXPECT_TRUE(record) << name << ": " << line.substr(0, 200);
                ++decoded;
            }
            if (!record || !expected.count(name)) continue;
            // In the counted samples only lines naming a session decode, and none carries an image.
            EXPECT_TRUE(namesSession(line)) << name;
            EXPECT_TRUE(record->images.empty()) << name;
            if (record->promptText) ++found.prompts;
            for (const ToolUse& use : record->toolUses)
                ++(use.name == "Read" && use.filePath ? found.reads : found.toolUses);
            found.toolResults += record->toolResultIDs.size();
            if (record->artifact) ++found.artifacts;
        }
        auto want = expected.find(name);
        if (want == expected.end()) continue;
        ++counted;
        const RealFile& e = want->second;
        if (e.reads == 0) {
            EXPECT_EQ(found.toolUses, e.toolUses) << name;
            EXPECT_EQ(found.toolResults, e.toolResults) << name;
        }
        EXPECT_EQ(std::tie(found.prompts, found.reads, found.artifacts),
                  std::tie(e.prompts, e.reads, e.artifacts))
            << name;
    }
    EXPECT_EQ(counted, expected.size());
    EXPECT_GT(decoded, 400u);
    auto artifact =
        TranscriptParser::record(
            linesOf(folder + "/daaain-ccl__real-probe-trimmed__v2.1.198__Artifact-tool_result.jsonl").at(0))
            ->artifact;
    ASSERT_TRUE(artifact);
    EXPECT_EQ(artifact->id, "e897407d-f44d-4654-b436-69973ce1964a");
    EXPECT_EQ(artifact->title, "Artifact shape probe");
    EXPECT_EQ(artifact->path, "/workspace/demo/artifact-shape-probe.html");
    EXPECT_EQ(artifact->toolUseID, "toolu_01KFHHG1ptbGeZQK3epbQxhX");
}

}  // namespace
}  // namespace brimly
