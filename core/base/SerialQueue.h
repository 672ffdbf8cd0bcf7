#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace brimly {

// A delayed task that is cancelled when its handle is dropped or `cancel` is called. An empty handle owns
// nothing.
class TaskHandle {
public:
    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<std::atomic<bool>> cancelled) : m_cancelled(std::move(cancelled)) {}
    TaskHandle(TaskHandle&&) noexcept = default;
    TaskHandle& operator=(TaskHandle&& other) noexcept {
        if (this != &other) {
            cancel();
            m_cancelled = std::move(other.m_cancelled);
        }
        return *this;
    }
    TaskHandle(const TaskHandle&) = delete;
    TaskHandle& operator=(const TaskHandle&) = delete;
    ~TaskHandle() { cancel(); }

    void cancel() {
        if (m_cancelled) {
            m_cancelled->store(true);
            m_cancelled.reset();
        }
    }
    // True while a task is attached that has not been cancelled (it may already have run).
    bool isActive() const { return m_cancelled != nullptr; }

private:
    std::shared_ptr<std::atomic<bool>> m_cancelled;
};

// A serial execution context: tasks run one at a time, in posting order; delayed tasks in due-time order,
// equal times in posting order. The engine queue and the main queue (the event loop of the app, a
// ThreadQueue or ManualQueue headless and in tests) both follow this contract, so another event loop can be
// adapted to it.
//
// Threads: `post`, `postAfter`, `isCurrent` and `now` may be called from any thread; `sync` from any thread
// too, and on the queue's own thread it runs the task inline. A TaskHandle may be cancelled from any thread;
// a task cancelled before it starts never runs.
//
// Shutdown: once a queue has stopped (ThreadQueue::drain, the app's loop quitting) `post` drops its task,
// `postAfter` drops it and returns an empty handle and `sync` returns without running it. Tasks that were
// due when it stopped still run; delayed ones are dropped.
class SerialQueue {
public:
    using Task = std::function<void()>;
    virtual ~SerialQueue() = default;

    virtual void post(Task task) = 0;
    // Runs `task` once `delaySeconds` (negative counts as 0) have passed on the queue's `now`.
    [[nodiscard]] virtual TaskHandle postAfter(double delaySeconds, Task task) = 0;
    // Runs `task` on the queue and returns when it has run; inline when called on the queue itself. It must
    // not be called from a thread the queue's own thread is itself waiting for.
    virtual void sync(const Task& task) = 0;
    // Whether the calling thread is the one the queue runs its tasks on.
    virtual bool isCurrent() const = 0;
    // Monotonic seconds: steady_clock since its epoch for real queues (the clock of SystemClock::uptime, so
    // values from different real queues compare); virtual time for ManualQueue. Never wall time.
    virtual double now() const = 0;
};

}  // namespace brimly
