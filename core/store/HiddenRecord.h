#pragma once

#include <optional>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// An item the user hid, kept whole so that unhiding brings back exactly what was there.
struct HiddenRecord {
    ShelfItem item;
    Date hiddenAt = 0;

    Json toJson() const;
    static std::optional<HiddenRecord> fromJson(const Json& object);
    static std::optional<HiddenRecord> fromJson(JsonTree::Value object);

    bool operator==(const HiddenRecord&) const = default;
};

}  // namespace brimly
