#include "core/base/ManualQueue.h"

namespace brimly {

void ManualQueue::post(Task task) { m_tasks.add(m_now, std::move(task)); }

TaskHandle ManualQueue::postAfter(double delaySeconds, Task task) {
    return TaskHandle(m_tasks.add(m_now + (delaySeconds > 0 ? delaySeconds : 0), std::move(task)));
}

void ManualQueue::runUntilIdle() {
    while (auto task = m_tasks.takeDue(m_now)) (*task)();
}

void ManualQueue::advance(double seconds) {
    double target = m_now + seconds;
    while (true) {
        auto due = m_tasks.nextDue();
        if (!due || *due > target) break;
        if (*due > m_now) m_now = *due;
        runUntilIdle();
    }
    m_now = target;
    runUntilIdle();
}

std::optional<double> ManualQueue::nextDelay() {
    auto due = m_tasks.nextDue();
    if (!due) return std::nullopt;
    return *due - m_now;
}

}  // namespace brimly
