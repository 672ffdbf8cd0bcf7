#include <gtest/gtest.h>

#include <sstream>

#include "core/base/JsonStream.h"

namespace brimly {
namespace {

struct Streamed {
    std::vector<std::pair<std::string, std::string>> elements;
    std::optional<Json> rest;
};

// Parses from the text, or from a stream over it; both must agree.
Streamed stream(std::string_view text) {
    Streamed results[2];
    for (int from = 0; from < 2; ++from) {
        Streamed& result = results[from];
        auto each = [&result](const std::string& key, Json&& element) {
            result.elements.emplace_back(key, JsonIO::dump(element));
        };
        std::istringstream in{std::string(text)};
        result.rest = from == 0 ? JsonIO::parseObjectStreaming(text, {"a", "b"}, each)
                                : JsonIO::parseObjectStreaming(in, {"a", "b"}, each);
    }
    EXPECT_EQ(results[0].rest, results[1].rest) << text;
    if (results[0].rest) {
        EXPECT_EQ(results[0].elements, results[1].elements) << text;
    }
    return results[0];
}

using Elements = std::vector<std::pair<std::string, std::string>>;

TEST(JsonStreamTest, HandsOverTopLevelArrayElementsAndKeepsTheRest) {
    auto result =
        stream(R"({"a":[1,{"x":[2,3],"a":[4]},[5,[6]],"s",null],"c":{"a":[7]},"b":{"k":1},"d":[8]})");
    ASSERT_TRUE(result.rest);
    EXPECT_EQ(
        result.elements,
        (Elements{
            {"a", "1"}, {"a", R"({"a":[4],"x":[2,3]})"}, {"a", "[5,[6]]"}, {"a", R"("s")"}, {"a", "null"}}));
    // Nested keys of the same name, other arrays and a streamed key holding no array stay in the tree;
    // streamed arrays are left empty.
    EXPECT_EQ(JsonIO::dump(*result.rest), R"({"a":[],"b":{"k":1},"c":{"a":[7]},"d":[8]})");
}

TEST(JsonStreamTest, RejectsWhatAPlainParseRejects) {
    const char* cases[] = {
        R"([{"a":[1]}])",          // not an object
        R"("a")",                  // a scalar
        R"({"a":[1,2)",            // cut short inside a streamed array
        R"({"a":[1,{]}]})",        // broken element after good ones
        R"({"a":[1]} {"b":[2]})",  // trailing content
        "{\"a\":[\"\xff\"]}",      // invalid UTF-8 in a string
        R"({"a":[1e999]})",        // a number out of range
        "",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(stream(text).rest) << text;
        EXPECT_FALSE(JsonIO::parse(text).value_or(Json()).is_object()) << text;
    }
}

}  // namespace
}  // namespace brimly
