#include "bench/support/BenchEngine.h"

namespace brimly::bench {

Engine::Config BenchEngine::config(const std::string& home) {
    return Engine::Config{.paths =
                              BrimlyPaths{Url::fromPath(home + "/claude"), Url::fromPath(home + "/scratch"),
                                          Url::fromPath(home + "/support"), Url::fromPath(home + "/tmp")}};
}

BenchEngine::BenchEngine(const Engine::Config& config) {
    auto onSnapshot = [this](std::shared_ptr<const Snapshot> snapshot) {
        std::lock_guard lock(m_mutex);
        m_latest = std::move(snapshot);
        m_changed.notify_all();
    };
    m_host = std::make_unique<EngineHost>(config, SystemClock::shared(), m_main,
                                          Engine::Handlers{.onSnapshot = onSnapshot});
    m_host->start(true);
}

BenchEngine::~BenchEngine() {
    static_cast<void>(m_host->stop());
    m_main.drain();
}

void BenchEngine::waitFor(const std::function<bool(const Snapshot&)>& test) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_latest && test(*m_latest); });
}

}  // namespace brimly::bench
