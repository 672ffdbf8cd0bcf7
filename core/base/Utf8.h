#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brimly {

// Text helpers that count Unicode code points rather than bytes. A byte that does not start a well-formed
// UTF-8 sequence counts as one character of its own, so malformed text is measured and cut safely too.
namespace Utf8 {

// Number of bytes of the character starting at `text[offset]` (1 for a malformed byte).
std::size_t characterLength(std::string_view text, std::size_t offset);
std::size_t characterCount(std::string_view text);
// Whether every byte belongs to a well-formed UTF-8 sequence (no overlong forms, surrogates or values past
// U+10FFFF).
bool isValid(std::string_view text);
// The first `count` characters of `text`; a multi-byte character is never cut.
std::string_view prefix(std::string_view text, std::size_t count);

// Splits at line feed, vertical tab, form feed, carriage return (CR LF is one break), U+0085, U+2028 and
// U+2029. Empty lines are kept; text without a break is one line.
std::vector<std::string_view> splitLines(std::string_view text);

// Trims tabs and the Unicode space separators (U+0020, U+00A0, U+1680, U+2000-U+200A, U+202F, U+205F,
// U+3000) from both ends.
std::string_view trimSpaces(std::string_view text);
// Trims the spaces above and the line breaks of `splitLines` from both ends.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

}  // namespace Utf8
}  // namespace brimly
