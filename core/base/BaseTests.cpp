#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/base/AtomicFileFaults.h"
#include "core/base/Crypto.h"
#include "core/base/Env.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/Log.h"
#include "core/base/Url.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

TEST(Iso8601Test, ParsesInternetDateTimesAndRejectsEverythingElse) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"2001-01-01T00:00:00Z", 978307200.0},       {"2026-03-04T05:06:07.250Z", 1772600767.25},
        {"2026-03-04T07:06:07+02:00", 1772600767.0}, {"2026-03-04T00:06:07.5-05:00", 1772600767.5},
        {"2024-02-29T12:00:00Z", 1709208000.0},      {"2023-02-29T12:00:00Z", std::nullopt},
        {"2026-03-04 05:06:07Z", std::nullopt},      {"2026-03-04T05:06:07", std::nullopt},
        {"2026-03-04T05:06:07.Z", std::nullopt},     {"2026-13-04T05:06:07Z", std::nullopt},
        {"2026-03-04T05:06:07Zjunk", std::nullopt},  {"", std::nullopt},
    };
    for (const auto& [text, unixSeconds] : cases) {
        auto parsed = parseIso8601(text);
        ASSERT_EQ(parsed.has_value(), unixSeconds.has_value()) << text;
        EXPECT_NEAR(parsed ? unixFromDate(*parsed) : 0, unixSeconds.value_or(0), 1e-6) << text;
    }
    EXPECT_EQ(formatIso8601(dateFromUnix(1772600767.25)), "2026-03-04T05:06:07.250Z");
    EXPECT_EQ(formatIso8601Seconds(dateFromUnix(1772600767.999)), "2026-03-04T05:06:07Z");
    EXPECT_EQ(formatIso8601Seconds(dateFromUnix(-0.5)), "1969-12-31T23:59:59Z");
}

TEST(EnvTest, ReadersFollowTheParsingRules) {
    Environment env{{"MAX", " 42\t"},  {"MAXBAD", "42a"},
                    {"ZERO", "0"},     {"BIG", "9000"},
                    {"PLUS", "+3"},    {"MINUS", "-1"},
                    {"YES", " YES "},  {"ON", "on"},
                    {"BLANK", " \t "}, {"HUGE", "99999999999999999999"},
                    {"REAL", "0.5"},   {"INF", "inf"},
                    {"NEWLINE", "\n7"}};
    EXPECT_EQ(Env::intValue("MAX", 500, 1, 5000, env), 42);
    EXPECT_EQ(Env::intValue("MAXBAD", 500, 1, 5000, env), 500);
    EXPECT_EQ(Env::intValue("ZERO", 500, 1, 5000, env), 500);
    EXPECT_EQ(Env::intValue("BIG", 500, 1, 5000, env), 500);
    EXPECT_EQ(Env::intValue("PLUS", 2, 0, 9, env), 3);
    EXPECT_EQ(Env::intValue("MINUS", 2, 0, 9, env), 2);
    EXPECT_EQ(Env::intValue("HUGE", 2, 0, 9, env), 2);
    EXPECT_EQ(Env::intValue("NEWLINE", 2, 0, 9, env), 2);
    EXPECT_TRUE(Env::boolValue("YES", env));
    EXPECT_FALSE(Env::boolValue("ON", env));
    EXPECT_FALSE(Env::boolValue("ABSENT", env));
    EXPECT_EQ(Env::string("BLANK", env), std::nullopt);
    EXPECT_DOUBLE_EQ(Env::doubleValue("REAL", 1, 0.05, 20, env), 0.5);
    EXPECT_DOUBLE_EQ(Env::doubleValue("REAL", 1, 0.05, 20, {{"REAL", "+2.5"}}), 2.5);
    EXPECT_DOUBLE_EQ(Env::doubleValue("REAL", 1, 0.05, 20, {{"REAL", "0.01"}}), 1);
    EXPECT_DOUBLE_EQ(Env::doubleValue("REAL", 1, 0.05, 20, {{"REAL", "2x"}}), 1);
    EXPECT_DOUBLE_EQ(Env::doubleValue("INF", 1, 0.05, 1e308, env), 1);
}

TEST(AtomicFileTest, ReplacesWholeFileAndKeepsTheOldOneOnEveryFailure) {
    testing::TempDir dir;
    std::string path = dir / "index.json";
    std::string source = dir.write("source/new", "new contents");
    ASSERT_FALSE(AtomicFile::write(path, "old"));
    auto inPieces = [](const AtomicFile::Put& put) {
        put("new ");
        put("contents");
    };
    for (int way : {0, 1, 2}) {
        for (auto stage : {AtomicFile::Stage::open, AtomicFile::Stage::write, AtomicFile::Stage::sync,
                           AtomicFile::Stage::rename}) {
            AtomicFile::setFaultForTesting([stage](AtomicFile::Stage at, const std::string&) {
                return at == stage ? std::make_error_code(std::errc::no_space_on_device) : std::error_code();
            });
            auto error = way == 0   ? AtomicFile::write(path, "new contents")
                         : way == 1 ? AtomicFile::copy(std::get<FileReader>(FileReader::open(source)), path)
                                    : AtomicFile::writeStreaming(path, inPieces);
            AtomicFile::setFaultForTesting(nullptr);
            EXPECT_EQ(error, std::make_error_code(std::errc::no_space_on_device));
            EXPECT_EQ(AtomicFile::read(path), "old");
            size_t files = 0;
            for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
            EXPECT_EQ(files, 2u) << "a temporary file was left behind";
        }
    }
    ASSERT_FALSE(AtomicFile::write(path, "new"));
    EXPECT_EQ(AtomicFile::read(path), "new");
    EXPECT_TRUE(AtomicFile::write(dir / "missing/folder/x", "y"));
    std::error_code readError;
    EXPECT_EQ(AtomicFile::read(dir / "absent", &readError), std::nullopt);
    EXPECT_TRUE(readError);
}

TEST(AtomicFileTest, WritesPiecesOfAnySizeInOrder) {
    testing::TempDir dir;
    std::string expected;
    ASSERT_FALSE(AtomicFile::writeStreaming(dir / "out", [&](const AtomicFile::Put& put) {
        for (std::size_t size : {1u, 70'000u, 3u, 65'536u, 0u, 200'000u, 7u}) {
            std::string piece(size, static_cast<char>('a' + expected.size() % 26));
            expected += piece;
            put(piece);
        }
    }));
    EXPECT_EQ(AtomicFile::read(dir / "out"), expected);
}

TEST(AtomicFileTest, CopiesLargeFilesBlockByBlockAndDigestsWhatItCopied) {
    testing::TempDir dir;
    std::string content;
    for (int n = 0; content.size() < 3'500'000; ++n) content += std::to_string(n) + ",";
    std::string source = dir.write("big.mp4", content);
    Crypto::Sha256 seen;
    int blocks = 0;
    auto file = std::get<FileReader>(FileReader::open(source));
    ASSERT_FALSE(AtomicFile::copy(file, dir / "copy.mp4", [&](std::string_view block) {
        seen.update(block);
        ++blocks;
    }));
    EXPECT_EQ(AtomicFile::read(dir / "copy.mp4"), content);
    EXPECT_GT(blocks, 1);
    std::string digest = seen.finalHex();
    EXPECT_EQ(digest, Crypto::sha256Hex(content));
    EXPECT_EQ(Crypto::sha256HexOfFile(source), digest);
    EXPECT_EQ(Crypto::sha256HexOfFile(dir / "absent"), std::nullopt);
    EXPECT_EQ(Crypto::sha256HexOfFile(dir.write("empty", "")), Crypto::sha256Hex(""));
}

TEST(LogTest, ScopedSinksTakeEveryLineFromAnyThreadAndRestoreTheOneBefore) {
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    auto into = [](std::vector<std::string>& lines) {
        return [&lines](Log::Level level, std::string_view category, std::string_view message) {
            lines.push_back(
                fmt::format("{} {}: {}", level == Log::Level::error ? "error" : "info", category, message));
        };
    };
    Log log("test");
    {
        Log::ScopedSink outerSink(into(outer));
        log.info("one {}", 1);
        {
            Log::ScopedSink innerSink(into(inner));
            std::thread([&] { log.error("two"); }).join();
        }
        log.info("three");
    }
    EXPECT_EQ(outer, (std::vector<std::string>{"info test: one 1", "info test: three"}));
    EXPECT_EQ(inner, (std::vector<std::string>{"error test: two"}));
}

TEST(UrlTest, FileUrlsRoundTripEveryByteOfAPath) {
    const std::string paths[] = {"/tmp/a b/ü.png", "/x/100%/#?&=", "/tab\there", "/", "/a/\x01\xff"};
    for (const auto& path : paths) {
        Url url = Url::fromPath(path);
        EXPECT_EQ(url.path(), path);
        auto reparsed = Url::parse(url.string());
        ASSERT_TRUE(reparsed) << url.string();
        EXPECT_EQ(reparsed->path(), path);
        EXPECT_EQ(*reparsed, url);
    }
    // Written by hand: the plain ones read without libcurl, the others through it, by the same rules.
    const std::pair<const char*, const char*> parsed[] = {
        {"file:///tmp/a%20b.png", "/tmp/a b.png"},
        {"file:///tmp/dir/", "/tmp/dir/"},
        {"file:///", "/"},
        {"file:///a/./b/../c", "/a/c"},
        {"file:///a/%2e%2E/c", "/a/../c"},
        {"file:///a/b%2", "/a/b%2"},
        {"file:///a/b%zz", "/a/b%zz"},
        {"FILE:///a", "/a"},
        {"file:///a/.hidden/..x", "/a/.hidden/..x"},
    };
    for (const auto& [text, path] : parsed) {
        auto url = Url::parse(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(url->path(), path) << text;
        EXPECT_EQ(url->string(), text);
        EXPECT_EQ(url->host(), std::nullopt) << text;
    }
    EXPECT_EQ(Url::fromPath("/tmp/a b").string(), "file:///tmp/a%20b");
    EXPECT_EQ(Url::fromPath("/tmp").appending("x y.png").path(), "/tmp/x y.png");
}

TEST(UrlTest, ParsesAbsoluteUrlsOnly) {
    auto web = Url::parse("https://claude.ai/public/artifacts/abc-123?x=1");
    ASSERT_TRUE(web);
    EXPECT_EQ(web->scheme(), "https");
    EXPECT_EQ(web->host(), "claude.ai");
    EXPECT_EQ(web->path(), std::nullopt);
    EXPECT_EQ(web->decodedPath(), "/public/artifacts/abc-123");
    EXPECT_EQ(web->string(), "https://claude.ai/public/artifacts/abc-123?x=1");
    for (const char* bad : {"", "claude.ai/x", "/tmp/x", "http://", "https://a b/"}) {
        EXPECT_FALSE(Url::parse(bad)) << bad;
    }
}

TEST(CryptoTest, DigestsAndBase64) {
    EXPECT_EQ(Crypto::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"aGk=", "hi"},
        {"aGk", std::nullopt},
        {"aGVsbG8=\n", "hello"},
        {"", ""},
        {"a=Gk", std::nullopt},
        {"aGVs bG8=", "hello"},
        {"AA==", std::string(1, '\0')},
        {"aGk*", std::nullopt},
        {"aG==", "h"},
        {"aGk==", std::nullopt},
        {"aGk=aGk=", std::nullopt},
        {"====", std::nullopt},
        {"a===", std::nullopt},
        {"aGVsbA=", std::nullopt},
    };
    for (const auto& [text, bytes] : cases) EXPECT_EQ(Crypto::base64Decode(text), bytes) << text;
    EXPECT_EQ(Crypto::base64Encode("hello"), "aGVsbG8=");
    std::string every;
    for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
    for (std::size_t length = 250; length <= 256; ++length) {
        std::string bytes = every.substr(0, length);
        EXPECT_EQ(Crypto::base64Decode(Crypto::base64Encode(bytes)), bytes) << length;
    }
}

TEST(JsonTest, ParsingNeverThrowsAndOutputIsCompactAndSorted) {
    EXPECT_FALSE(JsonIO::parse("{\"a\":"));
    auto value = JsonIO::parse(R"({"b":1,"a":[true,"x"],"c":2.5})");
    ASSERT_TRUE(value);
    EXPECT_EQ(JsonIO::dump(*value), R"({"a":[true,"x"],"b":1,"c":2.5})");
    EXPECT_EQ(JsonIO::integer(*value, "b"), 1);
    EXPECT_EQ(JsonIO::integer(*value, "c"), std::nullopt);
    EXPECT_EQ(JsonIO::string(*value, "b"), std::nullopt);
    Json invalid = std::string("\xff\xfe");
    EXPECT_NO_THROW(JsonIO::dump(invalid));
}

}  // namespace
}  // namespace brimly
