#pragma once

#include <functional>
#include <memory>

#include "core/base/Clock.h"
#include "core/base/SerialQueue.h"
#include "core/base/ThreadQueue.h"
#include "core/engine/Engine.h"

namespace brimly {

// Owns one engine and the queue it runs on, and stops them in the one safe order: the engine finishes on its
// queue (watchers off, store flushed), then the queue drains, then the engine is released. Dropping a host
// performs that stop, so the shelf is never lost to a forgotten call. Made and used on the main thread.
class EngineHost {
public:
    using Done = std::function<void(bool saved)>;

    // The engine on a queue thread of its own ("app.brimly.engine").
    EngineHost(Engine::Config config, const Clock& clock, SerialQueue& mainQueue, Engine::Handlers handlers);
    // The engine on `queue`, which the caller drives (virtual time in tests) and keeps alive.
    EngineHost(Engine::Config config, const Clock& clock, SerialQueue& queue, SerialQueue& mainQueue,
               Engine::Handlers handlers);
    ~EngineHost();
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    Engine& engine() { return *m_engine; }
    const Engine& engine() const { return *m_engine; }
    void start(bool watch) { m_engine->start(watch); }

    // Blocks until the engine has finished and its queue is idle; true when the store is on disk. For the
    // command line; a window calls `stopAsync`.
    [[nodiscard]] bool stop();
    // Returns at once; `done` runs on the main queue once the store is on disk (or could not be written).
    // The host may be dropped from `done`.
    void stopAsync(Done done);

private:
    std::unique_ptr<ThreadQueue> m_ownQueue;
    SerialQueue& m_queue;
    SerialQueue& m_mainQueue;
    std::shared_ptr<Engine> m_engine;
    bool m_stopping = false;
    bool m_saved = false;
};

}  // namespace brimly
