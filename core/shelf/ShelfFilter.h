#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/shelf/KindFilter.h"
#include "core/store/Snapshot.h"

namespace brimly {

// The header's filters: one project, any number of kind chips (either of them matches) and "Only New";
// active criteria must all hold. Also gives the counts and labels the header shows. A plain value.
struct ShelfFilter {
    struct ProjectCount {
        std::string name;
        std::size_t count = 0;
        bool operator==(const ProjectCount&) const = default;
    };

    std::optional<std::string> project;
    std::set<KindFilter> kinds;
    bool onlyNew = false;

    std::size_t activeCount() const { return kinds.size() + (onlyNew ? 1 : 0); }
    bool isFiltering() const { return activeCount() > 0; }
    std::optional<std::string> chipLabel() const;

    // `stillNew` holds items still shown as new although they were marked seen meanwhile, so that an item
    // does not vanish from an "Only New" view the moment it is seen.
    Snapshot apply(const Snapshot& snapshot, const std::set<std::string>& stillNew) const;
    std::map<KindFilter, std::size_t> kindCounts(const Snapshot& snapshot,
                                                 const std::set<std::string>& stillNew) const;
    // Clears a project no item belongs to any more.
    ShelfFilter validated(const Snapshot& snapshot) const;

    // Projects by item count, larger first, then by name.
    static std::vector<ProjectCount> projects(const Snapshot& snapshot);
    static std::string projectName(const Session& session);

    bool operator==(const ShelfFilter&) const = default;
};

}  // namespace brimly
