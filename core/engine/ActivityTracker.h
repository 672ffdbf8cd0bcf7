#pragma once

#include <map>
#include <optional>
#include <string>

#include "core/base/Date.h"

namespace brimly {

// Remembers when each Claude Code session was last active, so that a file arriving without a session (a
// scratchpad file, a browser screenshot) can go to the session working at that moment. Engine queue only.
class ActivityTracker {
public:
    // Ignores "unsorted" and watched-folder ids; never moves a session's date back.
    void touch(const std::string& sessionID, Date at);
    // The session with the latest activity; on a tie the smallest id wins.
    std::optional<std::string> mostRecent() const;
    // `mostRecent` when it was active no more than `window` seconds before `now`.
    std::optional<std::string> activeSession(Date now, double window) const;

    const std::map<std::string, Date>& lastActive() const { return m_lastActive; }

private:
    std::map<std::string, Date>::const_iterator latest() const;

    std::map<std::string, Date> m_lastActive;
};

}  // namespace brimly
