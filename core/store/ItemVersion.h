#pragma once

#include <optional>
#include <string>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"
#include "core/base/Url.h"

namespace brimly {

// One state of an item's file: an earlier one kept when the item was rewritten, or the current one.
struct ItemVersion {
    Url fileURL;
    Date createdAt = 0;
    std::optional<std::string> promptID;
    std::optional<int> width;
    std::optional<int> height;

    Json toJson() const;
    static std::optional<ItemVersion> fromJson(const Json& object);
    static std::optional<ItemVersion> fromJson(JsonTree::Value object);

    bool operator==(const ItemVersion&) const = default;
};

}  // namespace brimly
