#pragma once

#include "core/base/SerialQueue.h"
#include "core/base/TaskList.h"

namespace brimly {

// A queue with virtual time for tests: nothing runs until `runUntilIdle` or `advance` is called, and then
// on the calling thread, which counts as the queue's own.
class ManualQueue final : public SerialQueue {
public:
    explicit ManualQueue(double start = 1000) : m_now(start) {}

    void post(Task task) override;
    [[nodiscard]] TaskHandle postAfter(double delaySeconds, Task task) override;
    void sync(const Task& task) override { task(); }
    bool isCurrent() const override { return true; }
    double now() const override { return m_now; }

    // Runs every task due now, including those they post for now.
    void runUntilIdle();
    // Moves time forward, running every task whose due time is passed, in due order.
    void advance(double seconds);
    bool hasPending() { return !m_tasks.isEmpty(); }
    // Seconds until the next pending task, if any.
    std::optional<double> nextDelay();

private:
    double m_now;
    TaskList m_tasks;
};

}  // namespace brimly
