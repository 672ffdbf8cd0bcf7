#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/engine/Engine.h"

namespace brimly {

// What tests and benchmarks may see of an engine's insides: its store and counters, read on its queue, and
// watcher reports handed in as if a watcher had made them.
struct EngineProbe {
    // Runs `look` on the engine's queue and waits for it.
    static void inspect(const Engine& engine, const std::function<void(const Engine&)>& look) {
        engine.m_queue.sync([&] { look(engine); });
    }
    // As if the watcher of `root` (one of `watchRoots` or a watched-folder root) had reported `paths`.
    static void receive(Engine& engine, std::string root, std::vector<std::string> paths,
                        std::vector<std::uint32_t> flags = {}) {
        auto handler = engine.watchHandler(std::move(root));
        engine.m_queue.post(
            [handler, paths = std::move(paths), flags = std::move(flags)] { handler(paths, flags); });
    }
    static Store& store(Engine& engine) { return *engine.m_store; }
    static int titleTailReads(const Engine& engine) { return engine.m_titleTailReads; }
    static int rescans(const Engine& engine) { return engine.m_rescans; }
    static const std::vector<std::string>& watchedPaths(const Engine& engine) {
        return engine.m_watchedPaths;
    }
    static const std::vector<std::string>& folderRoots(const Engine& engine) { return engine.m_folderRoots; }
    static std::vector<std::string> folderWatcherRoots(const Engine& engine) {
        std::vector<std::string> roots;
        for (const auto& [root, watcher] : engine.m_folderWatchers) roots.push_back(root);
        return roots;
    }
    static const SettleTracker& settle(const Engine& engine) { return engine.m_settle; }
};

}  // namespace brimly
