#include "core/base/ThreadQueue.h"

#include <pthread.h>

#include <cassert>
#include <chrono>
#include <future>

namespace brimly {

namespace {
double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

ThreadQueue::ThreadQueue(std::string label) : m_label(std::move(label)) {
    // The worker takes its first task under the lock, so it sees its own id.
    std::lock_guard lock(m_mutex);
    m_worker = std::thread([this] { run(); });
    m_workerID = m_worker.get_id();
}

ThreadQueue::~ThreadQueue() {
    // A worker cannot join itself: whoever owns the queue ends it from another thread.
    assert(!isCurrent());
    drain();
}

void ThreadQueue::post(Task task) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_tasks.add(monotonicSeconds(), std::move(task));
    }
    m_wake.notify_one();
}

TaskHandle ThreadQueue::postAfter(double delaySeconds, Task task) {
    std::shared_ptr<std::atomic<bool>> flag;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return TaskHandle();
        flag = m_tasks.add(monotonicSeconds() + (delaySeconds > 0 ? delaySeconds : 0), std::move(task));
    }
    m_wake.notify_one();
    return TaskHandle(flag);
}

bool ThreadQueue::isCurrent() const { return std::this_thread::get_id() == m_workerID; }

double ThreadQueue::now() const { return monotonicSeconds(); }

void ThreadQueue::sync(const Task& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    auto future = done.get_future();
    {
        // Accepted under the same lock that drain takes: an accepted task is due now, so the worker runs it
        // before it stops and waiting for it always ends.
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_tasks.add(monotonicSeconds(), [&] {
            task();
            done.set_value();
        });
    }
    m_wake.notify_one();
    future.wait();
}

void ThreadQueue::drain() {
    bool onWorker = isCurrent();
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) return;
        m_stopping = true;
    }
    m_wake.notify_one();
    // On the worker only stopping is possible; it ends after what is due and the owner's drain joins it.
    if (onWorker) return;
    std::lock_guard joining(m_joinMutex);
    if (m_worker.joinable()) m_worker.join();
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_tasks.clear();
}

void ThreadQueue::run() {
    std::string name = m_label.substr(0, 15);
    pthread_setname_np(pthread_self(), name.c_str());
    std::unique_lock lock(m_mutex);
    while (true) {
        double now = monotonicSeconds();
        if (auto task = m_tasks.takeDue(now)) {
            lock.unlock();
            (*task)();
            lock.lock();
            continue;
        }
        if (m_stopping) return;
        if (auto due = m_tasks.nextDue()) {
            m_wake.wait_for(lock, std::chrono::duration<double>(*due - now));
        } else {
            m_wake.wait(lock);
        }
    }
}

}  // namespace brimly
