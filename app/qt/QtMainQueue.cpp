#include "app/qt/QtMainQueue.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <limits>

namespace brimly {

// What tasks in flight share with the queue: a task posted from another thread may still be on its way when
// the queue shuts down, and a `sync` caller must be woken then.
struct QtMainQueue::Shared {
    std::mutex mutex;
    std::condition_variable released;
    bool stopped = false;

    bool isStopped() {
        std::lock_guard lock(mutex);
        return stopped;
    }
};

QtMainQueue::QtMainQueue() : m_shared(std::make_shared<Shared>()), m_context(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() { shutdown(); }

void QtMainQueue::post(Task task) {
    if (m_shared->isStopped()) return;
    QMetaObject::invokeMethod(
        m_context.get(),
        [shared = m_shared, task = std::move(task)] {
            if (!shared->isStopped()) task();
        },
        Qt::QueuedConnection);
}

TaskHandle QtMainQueue::postAfter(double delaySeconds, Task task) {
    if (m_shared->isStopped()) return {};
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    // Qt counts whole milliseconds in an int; anything longer than that waits its maximum, then again.
    double clamped = std::isfinite(delaySeconds) ? std::max(0.0, delaySeconds) : 0.0;
    double milliseconds = std::ceil(std::min(clamped * 1000, double(std::numeric_limits<int>::max())));
    auto arm = [context = m_context.get(), shared = m_shared, cancelled, task = std::move(task),
                milliseconds]() mutable {
        if (shared->isStopped() || cancelled->load()) return;
        QTimer::singleShot(int(milliseconds), Qt::PreciseTimer, context,
                           [shared, cancelled, task = std::move(task)] {
                               if (!shared->isStopped() && !cancelled->load()) task();
                           });
    };
    // A timer belongs to the thread that starts it, so one asked for from another thread is started here.
    if (isCurrent()) {
        arm();
    } else {
        QMetaObject::invokeMethod(m_context.get(), std::move(arm), Qt::QueuedConnection);
    }
    return TaskHandle(std::move(cancelled));
}

void QtMainQueue::sync(const Task& task) {
    if (isCurrent()) {
        task();
        return;
    }
    auto done = std::make_shared<bool>(false);
    post([this, &task, done] {
        task();
        std::lock_guard lock(m_shared->mutex);
        *done = true;
        m_shared->released.notify_all();
    });
    std::unique_lock lock(m_shared->mutex);
    m_shared->released.wait(lock, [&] { return *done || m_shared->stopped; });
}

bool QtMainQueue::isCurrent() const { return QThread::currentThread() == m_context->thread(); }

double QtMainQueue::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void QtMainQueue::shutdown() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->stopped = true;
    m_shared->released.notify_all();
}

}  // namespace brimly
