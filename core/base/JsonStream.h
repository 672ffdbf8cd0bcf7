#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/base/Json.h"

namespace brimly::JsonIO {

using ElementHandler = std::function<void(const std::string& key, Json&& element)>;

// Parses `text` as one JSON object without ever holding the arrays under the `streamed` keys whole: their
// elements go to `each` one at a time as they are read, and in the returned object those keys hold empty
// arrays. Keeps the memory of reading a large file near the size of one element rather than of the whole
// tree. Gives nothing when the text is not a valid JSON object; `each` may have been called by then. A
// streamed key that appears twice hands over the elements of both arrays.
std::optional<Json> parseObjectStreaming(std::string_view text,
                                         const std::set<std::string, std::less<>>& streamed,
                                         const ElementHandler& each);
// The same, reading the text from `in` as it goes, so that not even the text is held whole.
std::optional<Json> parseObjectStreaming(std::istream& in, const std::set<std::string, std::less<>>& streamed,
                                         const ElementHandler& each);

}  // namespace brimly::JsonIO
