#include "bench/support/BenchEngine.h"

namespace brimly::bench {

Engine::Config BenchEngine::config(const std::string& home) {
    return Engine::Config{.paths =
                              BrimlyPaths{Url::fromPath(home + "/claude"), Url::fromPath(home + "/scratch"),
                                          Url::fromPath(home + "/support"), Url::fromPath(home + "/tmp")}};
}

BenchEngine::BenchEngine(const Engine::Config& config)
    : m_engine(Engine::make(config, SystemClock::shared(), m_queue, m_main)) {
    m_engine->setOnSnapshot([this](std::shared_ptr<const Snapshot> snapshot) {
        std::lock_guard lock(m_mutex);
        m_latest = std::move(snapshot);
        m_changed.notify_all();
    });
    m_engine->start(true);
}

BenchEngine::~BenchEngine() {
    m_engine->stop();
    m_main.drain();
    m_queue.drain();
}

void BenchEngine::waitFor(const std::function<bool(const Snapshot&)>& test) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_latest && test(*m_latest); });
}

}  // namespace brimly::bench
