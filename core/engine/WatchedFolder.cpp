#include "core/engine/WatchedFolder.h"

#include "core/platform/FileSystem.h"

namespace brimly::WatchedFolder {

std::optional<std::string> root(const std::string& path, const std::vector<std::string>& roots) {
    const std::string* best = nullptr;
    for (const std::string& candidate : roots) {
        if (!FileSystem::isPathInside(path, candidate)) continue;
        if (best == nullptr || candidate.size() > best->size()) best = &candidate;
    }
    if (best == nullptr) return std::nullopt;
    return *best;
}

}  // namespace brimly::WatchedFolder
