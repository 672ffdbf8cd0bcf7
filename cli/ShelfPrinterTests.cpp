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

}  // namespace
}  // namespace brimly::cli
