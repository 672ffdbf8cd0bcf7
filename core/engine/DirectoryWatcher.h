#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/SerialQueue.h"
#include "core/engine/WatchEvent.h"
#include "core/engine/WatchTree.h"

namespace brimly {

// One file-event stream over a list of folders on inotify: a reader thread blocks on the kernel (nothing
// wakes while nothing changes), keeps the watch trees of the folders, and hands coalesced batches of paths
// and flags to the handler on `queue`. `start` and `stop` may be called from any thread; `stop` clears the
// handler under the box's lock, so batches already queued find none.
class DirectoryWatcher {
public:
    using Handler =
        std::function<void(const std::vector<std::string>& paths, const std::vector<std::uint32_t>& flags)>;
    using Limits = WatchTree::Limits;

    // What the stream's callback and `stop` share; the handler is read and cleared only under `lock`.
    struct Box {
        std::mutex lock;
        Handler handler;

        // The callback: pairs paths and flags up to the shorter list and calls the handler, if any.
        void deliver(std::vector<std::string> paths, std::vector<std::uint32_t> flags);
        void forget();
    };

    DirectoryWatcher(std::vector<std::string> paths, double latency, bool noDefer, SerialQueue& queue,
                     Handler handler, Limits limits = {});
    ~DirectoryWatcher();
    DirectoryWatcher(const DirectoryWatcher&) = delete;
    DirectoryWatcher& operator=(const DirectoryWatcher&) = delete;

    // Watches from now on (no history); does nothing when running; stays stopped when the kernel refuses.
    void start();
    void stop();
    bool isRunning() const;

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

    std::vector<std::string> m_paths;
    double m_latency;
    bool m_noDefer;
    SerialQueue& m_queue;
    Handler m_handler;
    Limits m_limits;

    mutable std::mutex m_mutex;
    std::unique_ptr<Stream> m_stream;
};

}  // namespace brimly
