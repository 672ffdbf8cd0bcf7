#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brimly {

// Where a shelf item was reported from; an item remembers every source that reported it. The raw values
// are persisted.
enum class Source { scratchpad, transcript, chrome, folder };

namespace Sources {

inline constexpr std::array<Source, 4> allCases = {Source::scratchpad, Source::transcript, Source::chrome,
                                                   Source::folder};

std::string_view rawValue(Source source);
std::optional<Source> fromRawValue(std::string_view raw);

}  // namespace Sources
}  // namespace brimly
