#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/shelf/SessionGroup.h"

namespace brimly {

// The turns (and, in the strip layouts, sessions) the user has folded. A value the shelf model keeps on the
// main thread and prunes whenever turns disappear.
struct CollapsedSections {
    std::set<std::string> ids;

    bool contains(const std::string& id) const { return ids.contains(id); }
    void toggle(const std::string& id);
    void prune(const std::set<std::string>& keeping);
    // The item ids of each unfolded turn of `group`, in display order; folded turns contribute nothing.
    std::vector<std::vector<std::string>> selectable(const SessionGroup& group) const;

    bool operator==(const CollapsedSections&) const = default;
};

}  // namespace brimly
