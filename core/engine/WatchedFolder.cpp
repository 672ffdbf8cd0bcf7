#include "core/engine/WatchedFolder.h"

#include <algorithm>
#include <string_view>

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

bool admits(const std::string& path, const std::vector<std::string>& roots,
            const std::string& supportFolder) {
    auto found = root(path, roots);
    if (!found || FileSystem::isPathInside(path, supportFolder)) return false;
    std::string_view rest = std::string_view(path).substr(std::min(path.size(), found->size()));
    // The folders between the root and the file; the file's own name is judged where files are considered.
    std::size_t lastSlash = rest.rfind('/');
    rest = lastSlash == std::string_view::npos ? std::string_view() : rest.substr(0, lastSlash);
    while (!rest.empty()) {
        std::size_t slash = rest.find('/');
        if (rest.front() == '.') return false;
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return true;
}

}  // namespace brimly::WatchedFolder
