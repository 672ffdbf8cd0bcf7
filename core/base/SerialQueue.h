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
// equal times in posting order. `now` is the queue's monotonic time in seconds.
class SerialQueue {
public:
    using Task = std::function<void()>;
    virtual ~SerialQueue() = default;

    virtual void post(Task task) = 0;
    [[nodiscard]] virtual TaskHandle postAfter(double delaySeconds, Task task) = 0;
    // Runs `task` on the queue and returns when it has run; inline when called on the queue itself.
    virtual void sync(const Task& task) = 0;
    virtual bool isCurrent() const = 0;
    virtual double now() const = 0;
};

}  // namespace brimly
