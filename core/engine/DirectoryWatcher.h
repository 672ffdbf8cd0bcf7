#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Log.h"
#include "core/base/SerialQueue.h"
#include "core/engine/WatchEvent.h"
#include "core/engine/WatchFailure.h"
#include "core/engine/WatchTree.h"

namespace brimly {

// One file-event stream over a list of folders on inotify: keeps the watch trees of the folders on the
// process's shared hub (one instance and one reader thread, however many watchers) and hands coalesced
// batches of paths and flags to the handler on `queue`. What keeps it from seeing everything (no instance,
// a refused watch, a failed reader) is kept in `failure` and reported to the failure handler on `queue`.
// `start` and `stop` may be called from any thread; after `stop` returns, no handler runs.
class DirectoryWatcher {
public:
    using Handler =
        std::function<void(const std::vector<std::string>& paths, const std::vector<std::uint32_t>& flags)>;
    using FailureHandler = std::function<void(const WatchFailure&)>;
    using Limits = WatchTree::Limits;

    DirectoryWatcher(std::vector<std::string> paths, double latency, bool noDefer, SerialQueue& queue,
                     Handler handler, Limits limits = {});
    ~DirectoryWatcher();
    DirectoryWatcher(const DirectoryWatcher&) = delete;
    DirectoryWatcher& operator=(const DirectoryWatcher&) = delete;

    // Set before `start`; called on the watcher's queue once for each new kind of failure.
    void setFailureHandler(FailureHandler handler);

    // Watches from now on (no history); does nothing when running; stays stopped, with a failure, when the
    // kernel refuses an instance.
    void start();
    void stop();
    bool isRunning() const;
    // The latest failure since `start`; nothing while everything is watched.
    std::optional<WatchFailure> failure() const;

    // True when the flags say that individual paths cannot be trusted and the folder must be rescanned.
    static bool mustRescan(std::uint32_t flags) {
        return (flags &
                (WatchEvent::mustScanSubDirs | WatchEvent::userDropped | WatchEvent::kernelDropped)) != 0;
    }

    const std::vector<std::string>& paths() const { return m_paths; }
    // The inotify watches held now, over all folders.
    std::size_t watchCount() const;

private:
    struct Stream;
    struct Handlers;

    void fail(const WatchFailure& failure, const std::shared_ptr<Handlers>& handlers);

    std::vector<std::string> m_paths;
    double m_latency;
    bool m_noDefer;
    SerialQueue& m_queue;
    Handler m_handler;
    FailureHandler m_failureHandler;
    Limits m_limits;
    Log m_log{"watch"};

    mutable std::mutex m_mutex;
    std::unique_ptr<Stream> m_stream;
    mutable std::mutex m_failureMutex;
    std::optional<WatchFailure> m_failure;
};

}  // namespace brimly
