#include "core/shelf/SeenClock.h"

#include <algorithm>

namespace brimly {

namespace {
// The re-check timer fires at the computed deadline; floating-point sums such as 10.3 + 0.5 must not make it
// miss by a rounding error and wait for another round.
constexpr double tolerance = 0.000001;
}  // namespace

std::vector<std::string> SeenClock::update(const std::set<std::string>& visible, double now) {
    std::erase_if(m_since, [&](const auto& entry) { return !visible.contains(entry.first); });
    for (const auto& id : visible) {
        if (!m_since.contains(id) && !m_reported.contains(id)) m_since.emplace(id, now);
    }
    std::vector<std::string> due;
    for (const auto& [id, start] : m_since) {
        if (now >= start + m_delay - tolerance) due.push_back(id);
    }
    // The map is ordered by id, so `due` is already ascending.
    for (const auto& id : due) {
        m_since.erase(id);
        m_reported.insert(id);
    }
    return due;
}

std::optional<double> SeenClock::deadline() const {
    if (m_since.empty()) return std::nullopt;
    auto earliest = std::min_element(m_since.begin(), m_since.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
    return earliest->second + m_delay;
}

void SeenClock::reset() {
    m_since.clear();
    m_reported.clear();
}

}  // namespace brimly
