#pragma once

#include <map>
#include <set>
#include <string>

#include "core/drawer/DisplayID.h"

namespace brimly {

// Which shelf items are on screen on each display: views count their own appearances, and named regions
// of the drawer report the ids they show. Main thread only.
struct DisplayVisibility {
    std::map<DisplayID, std::map<std::string, int>> appeared;
    std::map<DisplayID, std::map<std::string, std::set<std::string>>> regions;

    void appear(const std::string& id, DisplayID display);
    void disappear(const std::string& id, DisplayID display);
    // False, and nothing changes, when the region already reported exactly these ids.
    bool setRegion(const std::string& name, const std::set<std::string>& ids, DisplayID display);
    std::set<std::string> visible(DisplayID display) const;
    void keep(const std::set<DisplayID>& displays);
    void clear(DisplayID display);

    bool operator==(const DisplayVisibility&) const = default;
};

}  // namespace brimly
