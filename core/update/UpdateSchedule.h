#pragma once

#include <optional>

#include "core/base/Date.h"

namespace brimly {

// When the next automatic update check is due: once a day, and only when the user wants checks and the
// bundle names both a feed and a signing key.
struct UpdateSchedule {
    static constexpr double interval = 86400;

    static bool isDue(std::optional<Date> lastCheck, Date now, bool enabled, bool configured);
};

}  // namespace brimly
