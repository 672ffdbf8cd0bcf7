#include "core/engine/SettleTracker.h"

#include <algorithm>
#include <cmath>

namespace brimly {

double SettleTracker::delay(int check) {
    if (check < 6) return 0.3;
    return std::min(0.3 * std::pow(2.0, check - 5), 5.0);
}

bool SettleTracker::observe(const std::string& path, FileStamp stamp, double now, Candidate candidate) {
    if (auto it = m_settling.find(path); it != m_settling.end()) {
        // The next look compares with the newest observation; the schedule is not pushed back, so a file
        // that keeps changing is still looked at on time.
        it->second.stamp = stamp;
        return true;
    }
    if (hasStamp(path, stamp)) return false;
    m_settling.insert_or_assign(path, Entry{stamp, 0, now + delay(1), std::move(candidate)});
    return true;
}

SettleTracker::Check SettleTracker::check(const std::string& path, std::optional<FileStamp> current,
                                          double now) {
    auto it = m_settling.find(path);
    if (it == m_settling.end()) return {};
    if (!current) {
        m_settling.erase(it);
        return {};
    }
    Entry& entry = it->second;
    if (*current == entry.stamp) {
        Check done{Result::settled, std::move(entry.candidate)};
        m_stamps[path] = *current;
        m_settling.erase(it);
        return done;
    }
    entry.stamp = *current;
    entry.checks += 1;
    entry.due = now + delay(entry.checks + 1);
    return {Result::changed, std::nullopt};
}

std::vector<std::string> SettleTracker::due(double now) const {
    std::vector<std::string> paths;
    for (const auto& [path, entry] : m_settling) {
        // A small tolerance: timers fire at their due time, and sums of delays are not exact.
        if (entry.due <= now + 1e-9) paths.push_back(path);
    }
    return paths;
}

std::optional<double> SettleTracker::nextDue() const {
    std::optional<double> next;
    for (const auto& [path, entry] : m_settling) {
        if (!next || entry.due < *next) next = entry.due;
    }
    return next;
}

bool SettleTracker::hasStamp(const std::string& path, FileStamp stamp) const {
    auto it = m_stamps.find(path);
    return it != m_stamps.end() && it->second == stamp;
}

void SettleTracker::forget(const std::string& path) {
    m_stamps.erase(path);
    m_settling.erase(path);
}

bool SettleTracker::trimStamps() {
    if (m_stamps.size() <= stampLimit) return false;
    m_stamps.clear();
    return true;
}

}  // namespace brimly
