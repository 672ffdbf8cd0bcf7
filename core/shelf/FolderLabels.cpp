#include "core/shelf/FolderLabels.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace brimly::FolderLabels {

namespace {

std::vector<std::string_view> components(const std::optional<std::string>& path) {
    std::vector<std::string_view> result;
    if (!path) return result;
    std::string_view rest = *path;
    while (!rest.empty()) {
        auto slash = rest.find('/');
        std::string_view piece = rest.substr(0, slash);
        if (!piece.empty()) result.push_back(piece);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return result;
}

std::string lastComponents(const std::vector<std::string_view>& parts, std::size_t k) {
    std::string label;
    for (std::size_t i = parts.size() - std::min(k, parts.size()); i < parts.size(); ++i) {
        if (!label.empty()) label += separator;
        label += parts[i];
    }
    return label;
}

}  // namespace

std::vector<Session> applied(const std::vector<Session>& sessions) {
    std::map<std::string, std::vector<std::size_t>> byFolder;
    std::size_t watched = 0;
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (!sessions[i].isWatchedFolder()) continue;
        byFolder[sessions[i].folder()].push_back(i);
        ++watched;
    }
    std::vector<Session> result = sessions;
    if (watched < 2) return result;
    for (const auto& [folder, members] : byFolder) {
        if (members.size() < 2) continue;
        std::vector<std::vector<std::string_view>> parts;
        std::size_t depth = 0;
        for (auto index : members) {
            parts.push_back(components(sessions[index].cwd));
            depth = std::max(depth, parts.back().size());
        }
        std::vector<std::string> labels;
        for (std::size_t k = 1;; ++k) {
            labels.clear();
            for (const auto& p : parts) labels.push_back(lastComponents(p, k));
            if (k >= depth || std::set<std::string>(labels.begin(), labels.end()).size() == labels.size())
                break;
        }
        for (std::size_t m = 0; m < members.size(); ++m) {
            // A folder without a known path has no label to show; an empty agent name would change nothing.
            if (labels[m] != folder && !labels[m].empty()) result[members[m]].agentName = labels[m];
        }
    }
    return result;
}

}  // namespace brimly::FolderLabels
