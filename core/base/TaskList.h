#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "core/base/SerialQueue.h"

namespace brimly {

// The ordered pending tasks of a queue, shared by the real and the manual queue: keyed by (due time,
// posting sequence) so that equal due times keep their posting order.
class TaskList {
public:
    struct Entry {
        SerialQueue::Task task;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };

    std::shared_ptr<std::atomic<bool>> add(double due, SerialQueue::Task task) {
        auto flag = std::make_shared<std::atomic<bool>>(false);
        m_entries.emplace(Key{due, m_sequence++}, Entry{std::move(task), flag});
        return flag;
    }

    std::optional<double> nextDue() {
        dropCancelledFront();
        if (m_entries.empty()) return std::nullopt;
        return m_entries.begin()->first.first;
    }

    // Removes and returns the first task due at or before `time`.
    std::optional<SerialQueue::Task> takeDue(double time) {
        dropCancelledFront();
        if (m_entries.empty() || m_entries.begin()->first.first > time) return std::nullopt;
        auto node = m_entries.extract(m_entries.begin());
        return std::move(node.mapped().task);
    }

    bool isEmpty() {
        dropCancelledFront();
        return m_entries.empty();
    }

    void clear() { m_entries.clear(); }

private:
    using Key = std::pair<double, std::uint64_t>;

    void dropCancelledFront() {
        while (!m_entries.empty() && m_entries.begin()->second.cancelled->load()) {
            m_entries.erase(m_entries.begin());
        }
    }

    std::map<Key, Entry> m_entries;
    std::uint64_t m_sequence = 0;
};

}  // namespace brimly
