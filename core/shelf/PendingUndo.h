#pragma once

#include <set>
#include <string>
#include <variant>

#include "core/store/ShelfItem.h"

namespace brimly {

// A removal the user chose that may still be taken back: it is off the visible shelf at once but reaches
// the engine only when it is committed.
struct PendingUndo {
    struct Hide {
        ShelfItem item;
        bool operator==(const Hide&) const = default;
    };
    struct Delete {
        std::set<std::string> ids;
        bool operator==(const Delete&) const = default;
    };
    // `ids` are the items and hidden items on the shelf when the user chose "Delete All Items".
    struct DeleteAll {
        std::set<std::string> ids;
        bool operator==(const DeleteAll&) const = default;
    };

    std::variant<Hide, Delete, DeleteAll> removal;

    std::set<std::string> excluded() const;
    // The undo toast's text.
    std::string message() const;

    bool operator==(const PendingUndo&) const = default;
};

}  // namespace brimly
