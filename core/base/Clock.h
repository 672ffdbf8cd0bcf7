#pragma once

#include "core/base/Date.h"

namespace brimly {

// Where time comes from: wall time for what is persisted, monotonic uptime for timing. Every consumer takes a
// Clock so that tests can move time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
    virtual double uptime() const = 0;
};

class SystemClock final : public Clock {
public:
    Date now() const override;
    double uptime() const override;
    static const SystemClock& shared();
};

// A clock that moves only when told; for tests.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Date wall = 0, double uptime = 1000) : m_wall(wall), m_uptime(uptime) {}
    Date now() const override { return m_wall; }
    double uptime() const override { return m_uptime; }
    void advance(double seconds) {
        m_wall += seconds;
        m_uptime += seconds;
    }
    void setNow(Date wall) { m_wall = wall; }

private:
    Date m_wall;
    double m_uptime;
};

}  // namespace brimly
