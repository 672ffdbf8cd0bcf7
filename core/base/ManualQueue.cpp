#include "core/base/ManualQueue.h"

#include <cassert>

namespace brimly {

// Makes the calling thread the queue's own while it runs tasks; nested runs keep the outer runner.
class ManualQueue::Running {
public:
    explicit Running(ManualQueue& queue)
        : m_queue(queue), m_previous(queue.m_runner.exchange(std::this_thread::get_id())) {}
    ~Running() { m_queue.m_runner = m_previous; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    ManualQueue& m_queue;
    std::thread::id m_previous;
};

void ManualQueue::post(Task task) {
    std::lock_guard lock(m_mutex);
    m_tasks.add(m_now, std::move(task));
}

TaskHandle ManualQueue::postAfter(double delaySeconds, Task task) {
    std::lock_guard lock(m_mutex);
    return TaskHandle(m_tasks.add(m_now + (delaySeconds > 0 ? delaySeconds : 0), std::move(task)));
}

void ManualQueue::sync(const Task& task) {
    assert(isCurrent());
    task();
}

bool ManualQueue::isCurrent() const {
    std::thread::id runner = m_runner;
    return std::this_thread::get_id() == (runner != std::thread::id() ? runner : m_creator);
}

double ManualQueue::now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualQueue::runUntilIdle() {
    Running running(*this);
    while (true) {
        std::unique_lock lock(m_mutex);
        auto task = m_tasks.takeDue(m_now);
        lock.unlock();
        if (!task) return;
        (*task)();
    }
}

void ManualQueue::advance(double seconds) {
    Running running(*this);
    double target = now() + seconds;
    while (true) {
        {
            std::lock_guard lock(m_mutex);
            auto due = m_tasks.nextDue();
            if (!due || *due > target) break;
            if (*due > m_now) m_now = *due;
        }
        runUntilIdle();
    }
    {
        std::lock_guard lock(m_mutex);
        m_now = target;
    }
    runUntilIdle();
}

bool ManualQueue::hasPending() {
    std::lock_guard lock(m_mutex);
    return !m_tasks.isEmpty();
}

}  // namespace brimly
