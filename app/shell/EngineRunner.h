#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/shelf/HostedShelfEngine.h"
#include "app/shelf/ShelfModel.h"
#include "core/base/Clock.h"
#include "core/engine/EngineHost.h"

namespace brimly {

// Runs the engine behind the shelf model and applies configuration changes the one way each needs: nothing,
// an update in place, or (for other folders) the running engine stopped and a new one started, whose first
// snapshot the model takes as a restart. Two engines never run on one store: the new one starts only once
// the old one has written its store. Main thread only.
class EngineRunner {
public:
    struct Options {
        // The engine's own queue thread when absent; tests pass a queue they drive on virtual time.
        SerialQueue* engineQueue = nullptr;
        // Follow the folders with watchers; tests that report file events themselves turn this off.
        bool watch = true;
    };

    EngineRunner(ShelfModel& model, const Clock& clock, SerialQueue& mainQueue,
                 Engine::StatusHandler onStatus, Options options);
    ~EngineRunner();
    EngineRunner(const EngineRunner&) = delete;
    EngineRunner& operator=(const EngineRunner&) = delete;

    void start(Engine::Config config);
    // Takes the configuration built from changed preferences.
    void apply(Engine::Config config);
    // Commits the pending removal and stops the engine; `done(saved)` runs on the main queue.
    void stop(ShelfEngine::Done done);

    const std::optional<Engine::Config>& config() const { return m_config; }
    bool isRunning() const { return m_host != nullptr; }
    // The running engine; only while `isRunning`.
    Engine& engine() { return m_host->engine(); }
    // Engines started so far; a restart makes a new one.
    int generation() const { return m_generation; }

private:
    void launch(bool restart);

    ShelfModel& m_model;
    const Clock& m_clock;
    SerialQueue& m_mainQueue;
    Engine::StatusHandler m_onStatus;
    Options m_options;
    std::optional<Engine::Config> m_config;
    std::unique_ptr<EngineHost> m_host;
    std::unique_ptr<HostedShelfEngine> m_shelfEngine;
    bool m_restarting = false;
    bool m_stopping = false;
    ShelfEngine::Done m_stopDone;
    int m_generation = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace brimly
