#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brimly {

// Decides when an unread item has stayed in view long enough to count as seen, and reports each item once
// until `reset`. Times are monotonic seconds; the shelf model drives it on the main thread.
class SeenClock {
public:
    explicit SeenClock(double delay) : m_delay(delay) {}

    double delay() const { return m_delay; }
    const std::map<std::string, double>& since() const { return m_since; }
    const std::set<std::string>& reported() const { return m_reported; }

    // The ids that have just become seen, in ascending order.
    std::vector<std::string> update(const std::set<std::string>& visible, double now);
    // When the next id falls due; nothing while no id is waiting.
    std::optional<double> deadline() const;
    void reset();

    bool operator==(const SeenClock&) const = default;

private:
    double m_delay = 0;
    std::map<std::string, double> m_since;
    std::set<std::string> m_reported;
};

}  // namespace brimly
