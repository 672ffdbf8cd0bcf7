#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/drawer/ShelfLayoutKind.h"
#include "core/shelf/CollapsedSections.h"
#include "core/shelf/SessionGroup.h"

namespace brimly {

// Keyboard selection over the drawer's items: which ids each layout lets the user select (laid out as
// grids of sections) and where an arrow key moves the selection. Pure logic over ids on the main thread.
struct ShelfSelection {
    enum class Direction { left, right, up, down };

    // The selectable ids of one layout: sections in display order, laid out `columns` per row (below 1:
    // one unbounded row).
    struct Sections {
        std::vector<std::vector<std::string>> sections;
        int columns = 0;
        bool operator==(const Sections&) const = default;
    };

    // Rail and column layouts show one session: its unfolded turns, none without a selected session.
    // The strip layouts show every unfolded session as one section.
    static Sections selection(const CollapsedSections& collapsed, ShelfLayoutKind kind,
                              const std::vector<SessionGroup>& groups, const SessionGroup* selected);
    static std::vector<std::string> selectableStrip(const CollapsedSections& collapsed,
                                                    const std::vector<SessionGroup>& groups);
    // Whether `id` is still reachable in the layout (a folded turn or session drops its items).
    static bool canSelect(const CollapsedSections& collapsed, const std::string& id, ShelfLayoutKind kind,
                          const std::vector<SessionGroup>& groups, const SessionGroup* selected);

    static std::optional<std::string> move(const std::optional<std::string>& selected, Direction direction,
                                           const std::vector<std::vector<std::string>>& sections,
                                           int columns);
};

}  // namespace brimly
