#include "core/drawer/DisplayVisibility.h"

namespace brimly {

void DisplayVisibility::appear(const std::string& id, DisplayID display) { appeared[display][id] += 1; }

void DisplayVisibility::disappear(const std::string& id, DisplayID display) {
    auto shown = appeared.find(display);
    if (shown == appeared.end()) return;
    auto entry = shown->second.find(id);
    if (entry == shown->second.end()) return;
    if (entry->second <= 1) {
        shown->second.erase(entry);
    } else {
        entry->second -= 1;
    }
}

bool DisplayVisibility::setRegion(const std::string& name, const std::set<std::string>& ids,
                                  DisplayID display) {
    auto& named = regions[display];
    auto existing = named.find(name);
    if (existing != named.end() && existing->second == ids) return false;
    named[name] = ids;
    return true;
}

std::set<std::string> DisplayVisibility::visible(DisplayID display) const {
    std::set<std::string> ids;
    if (auto shown = appeared.find(display); shown != appeared.end()) {
        for (const auto& [id, count] : shown->second) ids.insert(id);
    }
    if (auto named = regions.find(display); named != regions.end()) {
        for (const auto& [name, set] : named->second) ids.insert(set.begin(), set.end());
    }
    return ids;
}

void DisplayVisibility::keep(const std::set<DisplayID>& displays) {
    std::erase_if(appeared, [&](const auto& entry) { return !displays.contains(entry.first); });
    std::erase_if(regions, [&](const auto& entry) { return !displays.contains(entry.first); });
}

void DisplayVisibility::clear(DisplayID display) {
    appeared.erase(display);
    regions.erase(display);
}

}  // namespace brimly
