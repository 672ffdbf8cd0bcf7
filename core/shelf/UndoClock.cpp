#include "core/shelf/UndoClock.h"

#include <algorithm>

namespace brimly {

UndoClock::UndoClock(double window, double now, bool paused)
    : m_window(window), m_runningSince(paused ? std::nullopt : std::optional<double>(now)) {}

void UndoClock::setPaused(bool paused, double now) {
    if (paused == isPaused()) return;
    if (paused) {
        m_used += now - *m_runningSince;
        m_runningSince.reset();
    } else {
        m_runningSince = now;
    }
}

double UndoClock::remaining(double now) const {
    double spent = m_used + (m_runningSince ? now - *m_runningSince : 0.0);
    return std::max(0.0, m_window - spent);
}

}  // namespace brimly
