#include "core/shelf/ShelfSelection.h"

#include <algorithm>

namespace brimly {

ShelfSelection::Sections ShelfSelection::selection(const CollapsedSections& collapsed, ShelfLayoutKind kind,
                                                   const std::vector<SessionGroup>& groups,
                                                   const SessionGroup* selected) {
    Sections result{{}, columns(kind)};
    switch (kind) {
        case ShelfLayoutKind::rail:
        case ShelfLayoutKind::column:
            if (selected) result.sections = collapsed.selectable(*selected);
            break;
        case ShelfLayoutKind::stacks:
        case ShelfLayoutKind::sideStacks:
            result.sections.push_back(selectableStrip(collapsed, groups));
            break;
    }
    return result;
}

std::vector<std::string> ShelfSelection::selectableStrip(const CollapsedSections& collapsed,
                                                         const std::vector<SessionGroup>& groups) {
    std::vector<std::string> ids;
    for (const auto& group : groups) {
        if (collapsed.contains(group.session.id)) continue;
        for (const auto& turn : group.turns) {
            for (const auto& item : turn.items) ids.push_back(item.id);
        }
    }
    return ids;
}

bool ShelfSelection::canSelect(const CollapsedSections& collapsed, const std::string& id,
                               ShelfLayoutKind kind, const std::vector<SessionGroup>& groups,
                               const SessionGroup* selected) {
    auto model = selection(collapsed, kind, groups, selected);
    return std::any_of(model.sections.begin(), model.sections.end(), [&](const auto& section) {
        return std::find(section.begin(), section.end(), id) != section.end();
    });
}

std::optional<std::string> ShelfSelection::move(const std::optional<std::string>& selected,
                                                Direction direction,
                                                const std::vector<std::vector<std::string>>& sections,
                                                int columns) {
    std::vector<const std::vector<std::string>*> rows;
    for (const auto& section : sections) {
        if (!section.empty()) rows.push_back(&section);
    }
    if (rows.empty()) return std::nullopt;

    std::size_t s = rows.size();
    std::size_t p = 0;
    if (selected) {
        for (std::size_t i = 0; i < rows.size() && s == rows.size(); ++i) {
            auto found = std::find(rows[i]->begin(), rows[i]->end(), *selected);
            if (found != rows[i]->end()) {
                s = i;
                p = static_cast<std::size_t>(found - rows[i]->begin());
            }
        }
    }
    if (s == rows.size()) return rows.front()->front();

    const auto& section = *rows[s];
    bool unbounded = columns < 1;
    std::size_t c = unbounded ? 0 : static_cast<std::size_t>(columns);
    switch (direction) {
        case Direction::left:
            if (p > 0) return section[p - 1];
            if (s > 0) return rows[s - 1]->back();
            return selected;
        case Direction::right:
            if (p + 1 < section.size()) return section[p + 1];
            if (s + 1 < rows.size()) return rows[s + 1]->front();
            return selected;
        case Direction::up: {
            if (unbounded) return selected;
            std::size_t row = p / c;
            std::size_t column = p % c;
            if (row >= 1) return section[(row - 1) * c + column];
            if (s == 0) return selected;
            const auto& previous = *rows[s - 1];
            std::size_t lastRow = (previous.size() - 1) / c;
            return previous[std::min(lastRow * c + column, previous.size() - 1)];
        }
        case Direction::down: {
            if (unbounded) return selected;
            std::size_t row = p / c;
            std::size_t column = p % c;
            std::size_t next = (row + 1) * c;
            if (next < section.size()) return section[std::min(next + column, section.size() - 1)];
            if (s + 1 < rows.size()) {
                const auto& following = *rows[s + 1];
                return following[std::min(column, following.size() - 1)];
            }
            return selected;
        }
    }
    return selected;
}

}  // namespace brimly
