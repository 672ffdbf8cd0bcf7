#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/ShelfPrinter.h"
#include "cli/WatchCommand.h"
#include "core/store/StoreIndex.h"
#include "core/testsupport/TempDir.h"

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

TEST(ShelfPrinter, ListPrintsATitleWithEscapeSequencesEscaped) {
    testing::TempDir dir;
    StoreIndex index;
    ShelfItem item{
        .id = "a", .kind = ShelfItemKind::image, .title = "\x1b]0;pwned\x07.png", .sessionID = "s1"};
    item.sourceKinds = {Source::scratchpad};
    index.items = {item};
    index.sessions = {Session{.id = "s1", .cwd = "/home/me/\x1b[2Jchart"}};
    dir.write("support/index.json", index.encode());
    Environment env = {{"HOME", dir.path()},
                       {"XDG_CONFIG_HOME", dir / "config"},
                       {"BRIMLY_CLAUDE_HOME", dir / "claude"},
                       {"BRIMLY_SUPPORT_DIR", dir / "support"}};

    std::FILE* out = std::tmpfile();
    ASSERT_EQ(runList({}, env, out), 0);
    std::rewind(out);
    std::string text;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, out)) text.append(buffer, got);
    std::fclose(out);
    EXPECT_NE(text.find("\\x1b]0;pwned\\x07.png"), std::string::npos) << text;
    EXPECT_NE(text.find("\\x1b[2Jchart"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find('\x07'), std::string::npos) << text;
}

}  // namespace
}  // namespace brimly::cli
