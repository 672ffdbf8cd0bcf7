#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

#include "core/base/Json.h"

namespace brimly {

// The last durations of something that repeats (animation frames, paints), in seconds, for the benchmarks
// that read them through `brimly status`.
class RecentTimes {
public:
    static constexpr std::size_t limit = 1000;

    void add(double seconds) {
        if (m_values.size() >= limit) m_values.erase(m_values.begin());
        m_values.push_back(seconds);
    }
    void add(const RecentTimes& other) {
        m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
    }
    // Count, median, 99th percentile and largest, in milliseconds.
    Json summary() const {
        std::vector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        auto at = [&](double share) {
            return sorted.empty() ? 0.0 : sorted[std::size_t(share * double(sorted.size() - 1))] * 1000;
        };
        return Json{{"count", sorted.size()}, {"p50Ms", at(0.5)}, {"p99Ms", at(0.99)}, {"maxMs", at(1)}};
    }

    // Adds the time from its making to its end.
    class Scope {
    public:
        explicit Scope(RecentTimes& times) : m_times(times), m_started(std::chrono::steady_clock::now()) {}
        ~Scope() {
            m_times.add(std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count());
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        RecentTimes& m_times;
        std::chrono::steady_clock::time_point m_started;
    };

private:
    std::vector<double> m_values;
};

}  // namespace brimly
