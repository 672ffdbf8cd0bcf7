#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Utf8.h"

namespace brimly {
namespace {

TEST(Utf8, CountsCodePointsNotBytes) {
    EXPECT_EQ(Utf8::characterCount(""), 0u);
    EXPECT_EQ(Utf8::characterCount("abc"), 3u);
    EXPECT_EQ(Utf8::characterCount("\xC3\xA9t\xC3\xA9"), 3u);             // été
    EXPECT_EQ(Utf8::characterCount("\xE2\x82\xAC\xF0\x9F\x98\x80"), 2u);  // € and an emoji
    // Malformed bytes count one each: a stray continuation, a truncated sequence, an overlong form.
    EXPECT_EQ(Utf8::characterCount("\x80"), 1u);
    EXPECT_EQ(Utf8::characterCount("a\xE2\x82"), 3u);
    EXPECT_EQ(Utf8::characterCount("\xC0\xAF"), 2u);
    EXPECT_EQ(Utf8::characterCount("\xED\xA0\x80"), 3u);  // an encoded surrogate
}

TEST(Utf8, PrefixNeverCutsACharacter) {
    std::string text =
        "a\xF0\x9F\x98\x80"
        "b";
    EXPECT_EQ(Utf8::prefix(text, 0), "");
    EXPECT_EQ(Utf8::prefix(text, 1), "a");
    EXPECT_EQ(Utf8::prefix(text, 2), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8::prefix(text, 3), text);
    EXPECT_EQ(Utf8::prefix(text, 99), text);
    // A sequence truncated at the end of the text is cut byte by byte, never read past the end.
    EXPECT_EQ(Utf8::prefix("\xF0\x9F", 1), "\xF0");
}

TEST(Utf8, SplitsAtEveryLineBreak) {
    // clang-format off
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"",                                  {""}},
        {"one",                               {"one"}},
        {"a\nb",                              {"a", "b"}},
        {"a\r\nb",                            {"a", "b"}},
        {"a\n\rb",                            {"a", "", "b"}},
        {"a\r\rb",                            {"a", "", "b"}},
        {"a\vb\fc",                           {"a", "b", "c"}},
        {"a\xC2\x85" "b",                     {"a", "b"}},
        {"a\xE2\x80\xA8" "b\xE2\x80\xA9" "c", {"a", "b", "c"}},
        {"end\n",                             {"end", ""}},
        {"a\x85" "b",                         {"a\x85" "b"}},  // a lone 0x85 byte is not U+0085
    };
    // clang-format on
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> lines;
        for (auto line : Utf8::splitLines(text)) lines.emplace_back(line);
        EXPECT_EQ(lines, expected) << text;
    }
}

TEST(Utf8, TrimsSpacesAndOptionallyLineBreaks) {
    EXPECT_EQ(Utf8::trimSpaces("  \t hi there \t"), "hi there");
    EXPECT_EQ(Utf8::trimSpaces("\xC2\xA0x\xE3\x80\x80"), "x");
    EXPECT_EQ(Utf8::trimSpaces("   "), "");
    // Line breaks are not spaces here; callers split lines first.
    EXPECT_EQ(Utf8::trimSpaces("\nx\n"), "\nx\n");
    // A malformed trailing byte is kept, not mistaken for part of a space.
    EXPECT_EQ(Utf8::trimSpaces("x\xC2"), "x\xC2");

    EXPECT_EQ(Utf8::trimWhitespaceAndNewlines("\r\n\t a b \n\v\f"), "a b");
    EXPECT_EQ(Utf8::trimWhitespaceAndNewlines("\xE2\x80\xA8x\xC2\x85\xC2\xA0"), "x");
    EXPECT_EQ(Utf8::trimWhitespaceAndNewlines("a\nb"), "a\nb");
    EXPECT_EQ(Utf8::trimWhitespaceAndNewlines(" \n "), "");
}

TEST(Utf8, Validity) {
    EXPECT_TRUE(Utf8::isValid(""));
    EXPECT_TRUE(Utf8::isValid("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(Utf8::isValid("\xC3"));              // cut short
    EXPECT_FALSE(Utf8::isValid("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(Utf8::isValid("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(Utf8::isValid("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(Utf8::isValid("ok\xFF"));
}

}  // namespace
}  // namespace brimly
