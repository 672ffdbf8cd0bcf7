#include "core/engine/FolderActivity.h"

#include <utility>
#include <vector>

#include "core/platform/FileSystem.h"

namespace brimly::FolderActivity {

std::optional<Date> newest(const std::string& folder, int depth, int limit) {
    std::optional<Date> latest;
    int seen = 0;
    std::vector<std::pair<std::string, int>> pending{{folder, 0}};
    while (!pending.empty() && seen < limit) {
        auto [path, level] = std::move(pending.back());
        pending.pop_back();
        auto entries = FileSystem::list(path);
        if (!entries) continue;
        for (const DirectoryEntry& entry : *entries) {
            if (seen >= limit) break;
            if (entry.name.starts_with(".")) continue;
            ++seen;
            if (!latest || entry.info.modifiedAt > *latest) latest = entry.info.modifiedAt;
            // Links are entries, never followed.
            if (entry.info.isDirectory() && level + 1 < depth) {
                pending.emplace_back(FileSystem::join(path, entry.name), level + 1);
            }
        }
    }
    return latest;
}

}  // namespace brimly::FolderActivity
