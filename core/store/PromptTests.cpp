#include <gtest/gtest.h>

#include "core/base/Utf8.h"
#include "core/store/Prompt.h"

namespace brimly {
namespace {

std::string repeated(const std::string& unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

TEST(Prompt, SummarizeTakesTheFirstNonEmptyTrimmedLine) {
    EXPECT_EQ(Prompt::summarize("\n\n  hello world  \nsecond"), "hello world");
    EXPECT_EQ(Prompt::summarize(" \t\r\n\xE2\x80\xA9\xC2\x85 x"), "x");
    EXPECT_EQ(Prompt::summarize(""), "");
    EXPECT_EQ(Prompt::summarize(" \n\t\n"), "");
}

TEST(Prompt, SummarizeLimitsCharactersNotBytes) {
    const std::string ellipsis = "\xE2\x80\xA6";
    // one character, repeated so often, cut
    const std::tuple<std::string, std::size_t, bool> cases[] = {
        {"a", 220, false},
        {"a", 221, true},
        {"\xC3\xA9", 220, false},
        {"\xC3\xA9", 221, true},
        {"\xE4\xB8\xAD", 219, false},
        {"\xF0\x9F\x98\x80", 221, true},
        {"\xF0\x9F\x98\x80", 500, true},
    };
    for (const auto& [unit, count, cut] : cases) {
        std::string summary = Prompt::summarize(repeated(unit, count));
        EXPECT_EQ(summary, cut ? repeated(unit, 219) + ellipsis : repeated(unit, count)) << unit << count;
        EXPECT_LE(Utf8::characterCount(summary), Prompt::summaryLimit);
    }
    // A multi-byte character straddling the 219th position stays whole.
    std::string mixed = repeated("a", 218) + "\xF0\x9F\x98\x80\xF0\x9F\x98\x80" + repeated("b", 10);
    EXPECT_EQ(Prompt::summarize(mixed), repeated("a", 218) + "\xF0\x9F\x98\x80" + ellipsis);
}

}  // namespace
}  // namespace brimly
