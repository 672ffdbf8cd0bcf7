#include <gtest/gtest.h>

#include <string>

#include "cli/ShelfPrinter.h"

namespace brimly::cli {
namespace {

using namespace std::string_literals;

TEST(ShelfPrinter, TerminalSafeTextEscapesEveryControl) {
    struct Case {
        std::string text, expected;
    };
    // clang-format off
    const Case cases[] = {
        {"plain.png",                   "plain.png"},
        {"café ☕ 日本 \\ \"q\"",          "café ☕ 日本 \\ \"q\""},
        {"\x1b]0;pwned\x07",            "\\x1b]0;pwned\\x07"},
        {"a\nb\tc\rd",                  "a\\x0ab\\x09c\\x0dd"},
        {"nul\0end"s,                   "nul\\x00end"},
        {"del\x7f",                     "del\\x7f"},
        {"\xc2\x9b" "2J \xc2\x80\xc2\x9f", "\\u009b2J \\u0080\\u009f"},
        {"\xc2\xa0nbsp",                "\xc2\xa0nbsp"},
        {"bad\xff\xc3",                 "bad\\xff\\xc3"},
        {"\xc0\xafover",                "\\xc0\\xafover"},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(terminalSafe(c.text), c.expected) << c.expected;
}

// A shelf larger than the snapshot's limit once summed up as "500 items on the shelf".
TEST(ArrivalPrinter, TheSummaryCountsTheShelfNotTheSnapshot) {
    std::FILE* out = std::tmpfile();
    ArrivalPrinter printer(out, false, false);
    Snapshot snapshot{.items = {ShelfItem{.id = "a", .title = "a.png", .sessionID = "s"}}, .shelfSize = 5189};
    printer.snapshot(snapshot, 0);
    std::rewind(out);
    char buffer[256] = {};
    std::string text(buffer, std::fread(buffer, 1, sizeof buffer - 1, out));
    std::fclose(out);
    EXPECT_EQ(text.rfind("5189 items on the shelf\nthe newest 1:\n  s: 1\n", 0), 0u) << text;
}

TEST(ArrivalPrinter, PrintsArrivalsBeyondTheSnapshotsLimitOldestFirstAndEachOnce) {
    std::FILE* out = std::tmpfile();
    ArrivalPrinter printer(out, true, false);
    auto item = [](const char* id, Date at) {
        return ShelfItem{.id = id, .title = id, .sessionID = "s", .createdAt = at};
    };
    printer.snapshot({.items = {item("known", 1)}}, 0);
    Snapshot burst{
        .items = {item("new", 30), item("known", 1)},
        .arrivedBeyondLimit = {{item("late", 20), Session{.id = "s"}}, {item("later", 25), std::nullopt}}};
    printer.snapshot(burst, 0);
    printer.snapshot(burst, 0);
    std::rewind(out);
    char buffer[4096] = {};
    std::string text(buffer, std::fread(buffer, 1, sizeof buffer - 1, out));
    std::fclose(out);
    std::vector<std::string> printed;
    for (std::size_t at = text.find("\"title\":\""); at != std::string::npos;
         at = text.find("\"title\":\"", at + 1)) {
        printed.push_back(text.substr(at + 9, text.find('"', at + 9) - at - 9));
    }
    EXPECT_EQ(printed, (std::vector<std::string>{"late", "later", "new"})) << text;
    EXPECT_NE(text.find("\"session\":null"), std::string::npos) << "an arrival without a known session";
}

}  // namespace
}  // namespace brimly::cli
