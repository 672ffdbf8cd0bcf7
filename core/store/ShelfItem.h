#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Json.h"
#include "core/base/JsonTree.h"
#include "core/base/Url.h"
#include "core/store/ItemVersion.h"
#include "core/store/ShelfItemKind.h"
#include "core/store/Source.h"

namespace brimly {

// One thing on the shelf: the store's copy of its current file (or an artifact's remote address), where it
// came from, which session and prompt produced it, and the earlier versions kept when it was rewritten.
struct ShelfItem {
    std::string id;
    ShelfItemKind kind = ShelfItemKind::file;
    std::optional<Url> fileURL;
    std::optional<Url> remoteURL;
    std::optional<std::string> sourcePath;
    std::string title;
    std::string sessionID;
    std::optional<std::string> promptID;
    std::set<Source> sourceKinds;
    Date createdAt = 0;
    std::optional<Date> seenAt;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<std::string> captureID;
    // Earlier versions, oldest first. An empty list is stored as an absent key.
    std::vector<ItemVersion> versions;

    bool isUnread() const { return !seenAt.has_value(); }
    std::optional<ItemVersion> current() const;
    // The stored versions followed by the current one; the newest is last.
    std::vector<ItemVersion> allVersions() const;
    // Counts the current version even when the item has no file of its own (an artifact).
    std::size_t versionCount() const { return versions.size() + 1; }

    Json toJson() const;
    static std::optional<ShelfItem> fromJson(const Json& object);
    static std::optional<ShelfItem> fromJson(JsonTree::Value object);

    bool operator==(const ShelfItem&) const = default;
};

}  // namespace brimly
