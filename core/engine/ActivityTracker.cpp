#include "core/engine/ActivityTracker.h"

#include <cmath>

#include "core/store/Session.h"

namespace brimly {

void ActivityTracker::touch(const std::string& sessionID, Date at) {
    if (sessionID == Session::unsortedID || Session::isFolderID(sessionID)) return;
    // A NaN time would compare false against everything and poison `mostRecent`.
    if (std::isnan(at)) return;
    auto [entry, inserted] = m_lastActive.try_emplace(sessionID, at);
    if (!inserted && entry->second < at) entry->second = at;
}

std::map<std::string, Date>::const_iterator ActivityTracker::latest() const {
    auto best = m_lastActive.end();
    for (auto entry = m_lastActive.begin(); entry != m_lastActive.end(); ++entry) {
        if (best == m_lastActive.end() || entry->second > best->second) best = entry;
    }
    return best;
}

std::optional<std::string> ActivityTracker::mostRecent() const {
    auto best = latest();
    if (best == m_lastActive.end()) return std::nullopt;
    return best->first;
}

std::optional<std::string> ActivityTracker::activeSession(Date now, double window) const {
    auto best = latest();
    if (best == m_lastActive.end()) return std::nullopt;
    if (window >= now - best->second) return best->first;
    return std::nullopt;
}

}  // namespace brimly
