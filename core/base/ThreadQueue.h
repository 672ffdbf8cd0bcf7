#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/SerialQueue.h"
#include "core/base/TaskList.h"

namespace brimly {

// A serial queue with one worker thread of its own, named after the queue label. `drain` runs every task
// already due and stops the worker; it must be called before shutdown so that final writes are not lost.
class ThreadQueue final : public SerialQueue {
public:
    explicit ThreadQueue(std::string label);
    ~ThreadQueue() override;
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    void post(Task task) override;
    [[nodiscard]] TaskHandle postAfter(double delaySeconds, Task task) override;
    bool isCurrent() const override;
    double now() const override;

    // Runs `task` on the queue and waits for it; inline on the queue itself, not at all once drained.
    void sync(const Task& task) override;
    // Runs what is due now, drops delayed tasks and joins the worker. Posting afterwards does nothing. Called
    // from a task on the queue it only stops the worker after that task and what is due; a later drain from
    // another thread (or the destructor, which must not run on the worker) joins it.
    void drain();
    const std::string& label() const { return m_label; }

private:
    void run();

    std::string m_label;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    TaskList m_tasks;
    bool m_stopping = false;
    bool m_stopped = false;
    // Serialises concurrent drains, so that only one joins.
    std::mutex m_joinMutex;
    std::thread m_worker;
    std::thread::id m_workerID;
};

}  // namespace brimly
