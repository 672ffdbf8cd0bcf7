#pragma once

#include <optional>

namespace brimly {

// Measures the undo window of a pending removal in monotonic seconds, counting only the spells in which it
// runs (a drawer is open and the toast is not hovered). Owned by the shelf model on the main thread.
class UndoClock {
public:
    UndoClock(double window, double now, bool paused);

    double window() const { return m_window; }
    double used() const { return m_used; }
    std::optional<double> runningSince() const { return m_runningSince; }
    bool isPaused() const { return !m_runningSince.has_value(); }

    void setPaused(bool paused, double now);
    // Never negative, so an overdue clock asks for an immediate commit rather than a negative delay.
    double remaining(double now) const;

    bool operator==(const UndoClock&) const = default;

private:
    double m_window = 0;
    double m_used = 0;
    std::optional<double> m_runningSince;
};

}  // namespace brimly
