#pragma once

#include <vector>

#include "core/store/Prompt.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// An immutable copy of what the store shows, built on the engine queue and handed to the main thread.
// Items are newest first, sessions most recently active first, hidden items most recently hidden first;
// prompts are in no particular order (consumers look them up by id).
struct Snapshot {
    std::vector<ShelfItem> items;
    std::vector<Session> sessions;
    std::vector<Prompt> prompts;
    std::vector<ShelfItem> hidden;
    // Every item on the shelf, shown or beyond the limit.
    std::size_t shelfSize = 0;
    // An item new to the shelf since the previous snapshot that is older than the newest `limit`: a follower
    // that reports every arrival needs them, the drawer shows only `items`. Its session and prompt are not
    // in `sessions` and `prompts`, which belong to what is shown.
    struct LateArrival {
        ShelfItem item;
        std::optional<Session> session;
        bool operator==(const LateArrival&) const = default;
    };
    // In no particular order.
    std::vector<LateArrival> arrivedBeyondLimit;

    static Snapshot empty() { return {}; }

    bool operator==(const Snapshot&) const = default;
};

}  // namespace brimly
