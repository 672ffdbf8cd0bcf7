#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/base/ThreadQueue.h"
#include "core/engine/EngineHost.h"

namespace brimly::bench {

// An engine watching real folders on its own thread, with snapshots arriving on a second thread standing in
// for the main one. Made and started on construction, stopped (store flushed) on destruction.
class BenchEngine {
public:
    // The Claude home, scratch root, support folder and temporary area as "claude", "scratch", "support"
    // and "tmp" in `home`.
    static Engine::Config config(const std::string& home);

    explicit BenchEngine(const Engine::Config& config);
    ~BenchEngine();
    BenchEngine(const BenchEngine&) = delete;
    BenchEngine& operator=(const BenchEngine&) = delete;

    // Blocks until the latest published snapshot satisfies `test`.
    void waitFor(const std::function<bool(const Snapshot&)>& test);

private:
    ThreadQueue m_main{"main"};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::shared_ptr<const Snapshot> m_latest;
    std::unique_ptr<EngineHost> m_host;
};

}  // namespace brimly::bench
