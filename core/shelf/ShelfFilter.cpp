#include "core/shelf/ShelfFilter.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "core/shelf/FolderLabels.h"

namespace brimly {

namespace {

// Project names by session id, over the labelled sessions, with the substitute rule for sessions the
// snapshot does not hold.
class ProjectNames {
public:
    explicit ProjectNames(const Snapshot& snapshot) {
        for (const auto& session : FolderLabels::applied(snapshot.sessions)) {
            m_names.try_emplace(session.id, ShelfFilter::projectName(session));
        }
    }

    const std::string& of(const std::string& sessionID) {
        auto found = m_names.find(sessionID);
        if (found != m_names.end()) return found->second;
        Session substitute;
        substitute.id = sessionID;
        return m_names.emplace(sessionID, ShelfFilter::projectName(substitute)).first->second;
    }

private:
    std::unordered_map<std::string, std::string> m_names;
};

}  // namespace

std::optional<std::string> ShelfFilter::chipLabel() const {
    switch (activeCount()) {
        case 0:
            return std::nullopt;
        case 1:
            return kinds.empty() ? std::string("Only New") : std::string(KindFilters::title(*kinds.begin()));
        default:
            return std::to_string(activeCount()) + " filters";
    }
}

Snapshot ShelfFilter::apply(const Snapshot& snapshot, const std::set<std::string>& stillNew) const {
    if (!project && kinds.empty() && !onlyNew) return snapshot;
    std::optional<ProjectNames> names;
    if (project) names.emplace(snapshot);
    Snapshot result;
    result.sessions = snapshot.sessions;
    result.prompts = snapshot.prompts;
    result.hidden = snapshot.hidden;
    for (const auto& item : snapshot.items) {
        if (project && names->of(item.sessionID) != *project) continue;
        if (!kinds.empty() && !kinds.contains(KindFilters::forKind(item.kind))) continue;
        if (onlyNew && !item.isUnread() && !stillNew.contains(item.id)) continue;
        result.items.push_back(item);
    }
    return result;
}

std::map<KindFilter, std::size_t> ShelfFilter::kindCounts(const Snapshot& snapshot,
                                                          const std::set<std::string>& stillNew) const {
    // Counted in place rather than through `apply`, which would copy every kept item only to count it.
    std::optional<ProjectNames> names;
    if (project) names.emplace(snapshot);
    std::map<KindFilter, std::size_t> counts;
    for (const auto& item : snapshot.items) {
        if (project && names->of(item.sessionID) != *project) continue;
        if (onlyNew && !item.isUnread() && !stillNew.contains(item.id)) continue;
        ++counts[KindFilters::forKind(item.kind)];
    }
    return counts;
}

ShelfFilter ShelfFilter::validated(const Snapshot& snapshot) const {
    if (!project) return *this;
    ProjectNames names(snapshot);
    for (const auto& item : snapshot.items) {
        if (names.of(item.sessionID) == *project) return *this;
    }
    return ShelfFilter{std::nullopt, kinds, onlyNew};
}

std::vector<ShelfFilter::ProjectCount> ShelfFilter::projects(const Snapshot& snapshot) {
    ProjectNames names(snapshot);
    std::unordered_map<std::string, std::size_t> counts;
    for (const auto& item : snapshot.items) ++counts[names.of(item.sessionID)];
    std::vector<ProjectCount> result;
    result.reserve(counts.size());
    for (auto& [name, count] : counts) result.push_back({name, count});
    std::sort(result.begin(), result.end(), [](const ProjectCount& a, const ProjectCount& b) {
        if (a.count != b.count) return a.count > b.count;
        return a.name < b.name;
    });
    return result;
}

std::string ShelfFilter::projectName(const Session& session) {
    if (session.isWatchedFolder()) {
        if (auto name = session.name()) return *name;
    }
    return session.folder();
}

}  // namespace brimly
