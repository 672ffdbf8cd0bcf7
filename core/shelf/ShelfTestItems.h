#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/store/Prompt.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"

// Small builders for the shelf layer's tests: only the fields a test sets differ from a plain unread image.
namespace brimly::testing {

inline ShelfItem makeItem(std::string id, std::string sessionID, Date createdAt,
                          std::optional<std::string> promptID = std::nullopt) {
    return ShelfItem{.id = id,
                     .kind = ShelfItemKind::image,
                     .title = id + ".png",
                     .sessionID = std::move(sessionID),
                     .promptID = std::move(promptID),
                     .sourceKinds = {Source::transcript},
                     .createdAt = createdAt};
}

inline ShelfItem withPath(ShelfItem item, std::string path) {
    item.sourcePath = std::move(path);
    return item;
}

inline ShelfItem seen(ShelfItem item, Date at = 1) {
    item.seenAt = at;
    return item;
}

inline ShelfItem ofKind(ShelfItem item, ShelfItemKind kind) {
    item.kind = kind;
    return item;
}

inline Session makeSession(std::string id, Date lastActive, std::optional<std::string> cwd = std::nullopt) {
    return Session{
        .id = std::move(id), .cwd = std::move(cwd), .startedAt = lastActive, .lastActive = lastActive};
}

inline Prompt makePrompt(std::string id, std::string sessionID, Date at) {
    return Prompt{std::move(id), std::move(sessionID), at, "prompt " + std::to_string(at)};
}

using Ids = std::vector<std::string>;

inline Ids idsOf(const std::vector<ShelfItem>& items) {
    Ids ids;
    for (const auto& item : items) ids.push_back(item.id);
    return ids;
}

}  // namespace brimly::testing
