#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/Prompt.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// One prompt's items within a session, or the "earlier" items no prompt claims (one such turn per session,
// and per subfolder of a watched folder). Items are newest first.
struct Turn {
    // Joins a watched folder's session id and the subfolder in an "earlier" turn id; it cannot occur in a
    // path Claude Code or the user would write, so the split back is unambiguous.
    static constexpr char subfolderSeparator = '\x1f';
    static constexpr std::string_view earlierPrefix = "earlier:";

    std::string id;
    std::optional<Prompt> prompt;
    std::vector<ShelfItem> items;

    // The id of the turn `item` belongs to.
    static std::string idFor(const ShelfItem& item);

    bool isEarlier() const;
    bool isFolderFiles() const;
    // The folder path relative to the watched folder, for a folder's "earlier" turn of a subfolder.
    std::optional<std::string> subfolder() const;

    bool operator==(const Turn&) const = default;
};

}  // namespace brimly
