#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "core/base/SerialQueue.h"
#include "core/base/TaskList.h"

namespace brimly {

// A queue with virtual time for tests: nothing runs until `runUntilIdle` or `advance` is called, and then
// on the calling thread. Its own thread is the one inside `runUntilIdle`/`advance` while one runs, else the
// thread that created it, so that a call made from any other thread fails the confinement checks.
class ManualQueue final : public SerialQueue {
public:
    explicit ManualQueue(double start = 1000) : m_now(start), m_creator(std::this_thread::get_id()) {}

    void post(Task task) override;
    [[nodiscard]] TaskHandle postAfter(double delaySeconds, Task task) override;
    // Inline: nothing would ever run a task handed over from another thread.
    void sync(const Task& task) override;
    bool isCurrent() const override;
    double now() const override;

    // Runs every task due now, including those they post for now.
    void runUntilIdle();
    // Moves time forward, running every task whose due time is passed, in due order.
    void advance(double seconds);
    bool hasPending();

private:
    class Running;

    mutable std::mutex m_mutex;
    double m_now;
    TaskList m_tasks;
    const std::thread::id m_creator;
    std::atomic<std::thread::id> m_runner;
};

}  // namespace brimly
