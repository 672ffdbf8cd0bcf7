#include "core/shelf/CollapsedSections.h"

namespace brimly {

void CollapsedSections::toggle(const std::string& id) {
    if (!ids.erase(id)) ids.insert(id);
}

void CollapsedSections::prune(const std::set<std::string>& keeping) {
    std::erase_if(ids, [&](const std::string& id) { return !keeping.contains(id); });
}

std::vector<std::vector<std::string>> CollapsedSections::selectable(const SessionGroup& group) const {
    std::vector<std::vector<std::string>> sections;
    for (const auto& turn : group.turns) {
        if (contains(turn.id)) continue;
        auto& section = sections.emplace_back();
        section.reserve(turn.items.size());
        for (const auto& item : turn.items) section.push_back(item.id);
    }
    return sections;
}

}  // namespace brimly
