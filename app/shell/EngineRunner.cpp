#include "app/shell/EngineRunner.h"

namespace brimly {

EngineRunner::EngineRunner(ShelfModel& model, const Clock& clock, SerialQueue& mainQueue,
                           Engine::StatusHandler onStatus, Options options)
    : m_model(model),
      m_clock(clock),
      m_mainQueue(mainQueue),
      m_onStatus(std::move(onStatus)),
      m_options(options) {}

EngineRunner::~EngineRunner() {
    *m_alive = false;
    // Dropping the host stops the engine and writes the store; the adapter goes first, as it refers to it.
    m_shelfEngine.reset();
    m_host.reset();
}

void EngineRunner::start(Engine::Config config) {
    m_config = std::move(config);
    launch(false);
}

void EngineRunner::launch(bool restart) {
    Engine::Handlers handlers = m_model.engineHandlers(m_onStatus);
    if (m_options.engineQueue) {
        m_host = std::make_unique<EngineHost>(*m_config, m_clock, *m_options.engineQueue, m_mainQueue,
                                              std::move(handlers));
    } else {
        m_host = std::make_unique<EngineHost>(*m_config, m_clock, m_mainQueue, std::move(handlers));
    }
    m_shelfEngine = std::make_unique<HostedShelfEngine>(*m_host);
    if (restart) {
        m_model.restart(*m_shelfEngine);
    } else {
        m_model.attach(*m_shelfEngine);
    }
    ++m_generation;
    m_host->start(m_options.watch);
}

void EngineRunner::apply(Engine::Config config) {
    if (m_stopping) return;
    if (!m_config || !m_host) {
        m_config = std::move(config);
        return;
    }
    Engine::Config::Change change = config.change(*m_config);
    m_config = std::move(config);
    if (m_restarting) return;  // the engine started when the old one is down takes the latest configuration
    switch (change) {
        case Engine::Config::Change::none:
            return;
        case Engine::Config::Change::update:
            m_host->engine().update(*m_config);
            return;
        case Engine::Config::Change::restart:
            break;
    }
    m_restarting = true;
    // A removal still in its undo window belongs to the store the old engine writes.
    m_model.commitPending();
    m_host->stopAsync([this, alive = std::weak_ptr<bool>(m_alive)](bool saved) {
        if (alive.expired()) return;
        m_shelfEngine.reset();
        m_host.reset();
        m_restarting = false;
        if (!m_stopping) {
            launch(true);
        } else if (m_stopDone) {
            std::exchange(m_stopDone, {})(saved);
        }
    });
}

void EngineRunner::stop(ShelfEngine::Done done) {
    m_stopping = true;
    if (m_restarting) {
        // The engine on its way down is the last one; the stop is over when its store is written.
        m_stopDone = std::move(done);
        return;
    }
    if (!m_host) {
        m_mainQueue.post([done = std::move(done)] {
            if (done) done(true);
        });
        return;
    }
    m_model.stopAsync(std::move(done));
}

}  // namespace brimly
