#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"

namespace brimly {

// One user prompt of a session (a "turn"); items produced while it ran point at it.
struct Prompt {
    // Characters (Unicode code points), not bytes.
    static constexpr std::size_t summaryLimit = 220;

    std::string id;
    std::string sessionID;
    Date at = 0;
    std::string text;

    // The first non-empty trimmed line of `text`, cut to `summaryLimit` characters with a trailing "…".
    static std::string summarize(std::string_view text);

    Json toJson() const;
    static std::optional<Prompt> fromJson(const Json& object);
    static std::optional<Prompt> fromJson(JsonTree::Value object);

    bool operator==(const Prompt&) const = default;
};

}  // namespace brimly
