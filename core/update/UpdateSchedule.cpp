#include "core/update/UpdateSchedule.h"

#include <cmath>

namespace brimly {

bool UpdateSchedule::isDue(std::optional<Date> lastCheck, Date now, bool enabled, bool configured) {
    if (!enabled || !configured) return false;
    if (!lastCheck || !std::isfinite(*lastCheck)) return true;
    // A last check in the future means the clock was set back; waiting for that date could stop checks for
    // as long as the clock was wrong, so it counts as due.
    if (*lastCheck > now) return true;
    return now - *lastCheck >= interval;
}

}  // namespace brimly
