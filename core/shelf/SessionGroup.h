#pragma once

#include <vector>

#include "core/base/Date.h"
#include "core/shelf/Turn.h"
#include "core/store/Session.h"

namespace brimly {

// One session as the drawer shows it: the session (with its folder label applied) and its turns, prompt
// turns first, newest first.
struct SessionGroup {
    Session session;
    std::vector<Turn> turns;
    // The later of the session's last activity and its newest item's capture time.
    Date newest = 0;

    // Every item of the group in display order, turn after turn.
    std::vector<ShelfItem> items() const;

    bool operator==(const SessionGroup&) const = default;
};

}  // namespace brimly
