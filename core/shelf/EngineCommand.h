#pragma once

#include <set>
#include <string>
#include <variant>
#include <vector>

namespace brimly {

// A committed removal the engine must carry out; the shelf model hands it to the engine's matching call.
struct EngineCommand {
    struct Hide {
        std::vector<std::string> ids;
        bool operator==(const Hide&) const = default;
    };
    struct Delete {
        std::vector<std::string> ids;
        bool operator==(const Delete&) const = default;
    };
    // Remove every item and hidden item except those in `sparing`.
    struct DeleteAll {
        std::set<std::string> sparing;
        bool operator==(const DeleteAll&) const = default;
    };

    std::variant<Hide, Delete, DeleteAll> command;

    bool operator==(const EngineCommand&) const = default;
};

}  // namespace brimly
