#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/base/SerialQueue.h"

class QObject;

namespace brimly {

// The main queue on the Qt event loop of the thread that makes it, so that the engine's callbacks and every
// main-thread timer run between the loop's own events. Delayed tasks are one-shot precise timers: with
// nothing due, the loop sleeps. `shutdown` is called when the loop is about to end; afterwards posts are
// dropped and waiting `sync` callers are released.
class QtMainQueue final : public SerialQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    void post(Task task) override;
    [[nodiscard]] TaskHandle postAfter(double delaySeconds, Task task) override;
    void sync(const Task& task) override;
    bool isCurrent() const override;
    double now() const override;

    void shutdown();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QObject> m_context;
};

}  // namespace brimly
