#include "core/engine/EngineHost.h"

namespace brimly {

EngineHost::EngineHost(Engine::Config config, const Clock& clock, SerialQueue& mainQueue,
                       Engine::Handlers handlers)
    : m_ownQueue(std::make_unique<ThreadQueue>("app.brimly.engine")),
      m_queue(*m_ownQueue),
      m_mainQueue(mainQueue),
      m_engine(Engine::make(std::move(config), clock, m_queue, mainQueue, std::move(handlers))) {}

EngineHost::EngineHost(Engine::Config config, const Clock& clock, SerialQueue& queue, SerialQueue& mainQueue,
                       Engine::Handlers handlers)
    : m_queue(queue),
      m_mainQueue(mainQueue),
      m_engine(Engine::make(std::move(config), clock, queue, mainQueue, std::move(handlers))) {}

EngineHost::~EngineHost() {
    if (!m_stopping) static_cast<void>(stop());
    // An asynchronous stop may still be on its way; draining waits for it, and nothing queued after it runs.
    if (m_ownQueue) m_ownQueue->drain();
}

bool EngineHost::stop() {
    m_stopping = true;
    m_engine->requestStop();
    // After a `stopAsync` this waits for it: finishing twice gives the first result.
    m_queue.sync([this] { m_saved = m_engine->finish(); });
    if (m_ownQueue) m_ownQueue->drain();
    return m_saved;
}

void EngineHost::stopAsync(Done done) {
    m_stopping = true;
    m_engine->requestStop();
    // The engine, not the host, travels with the task: the host may be gone by the time `done` runs.
    m_queue.post([engine = m_engine, &mainQueue = m_mainQueue, done = std::move(done)] {
        bool saved = engine->finish();
        mainQueue.post([done, saved] { done(saved); });
    });
}

}  // namespace brimly
