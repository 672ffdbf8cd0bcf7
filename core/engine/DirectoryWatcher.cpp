#include "core/engine/DirectoryWatcher.h"

#include <pthread.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "core/engine/EventBatcher.h"
#include "core/platform/Inotify.h"

namespace brimly {

struct DirectoryWatcher::Stream {
    std::vector<std::unique_ptr<WatchTree>> trees;
    Wakeup wakeup;
    std::shared_ptr<Box> box;
    std::shared_ptr<EventBatcher> batcher;
    std::thread reader;

    void run() {
        pthread_setname_np(pthread_self(), "brimly-watch");
        std::vector<Inotify*> instances;
        for (auto& tree : trees) instances.push_back(&tree->inotify());
        std::vector<std::size_t> readable;
        while (Inotify::wait(instances, wakeup, readable) == Inotify::Wait::readable) {
            std::vector<WatchEvent> events;
            for (std::size_t index : readable) trees[index]->readAvailable(events);
            batcher->push(std::move(events));
        }
    }
};

void DirectoryWatcher::Box::deliver(std::vector<std::string> paths, std::vector<std::uint32_t> flags) {
    std::size_t count = std::min(paths.size(), flags.size());
    paths.resize(count);
    flags.resize(count);
    Handler current;
    {
        std::lock_guard guard(lock);
        current = handler;
    }
    if (current) current(paths, flags);
}

void DirectoryWatcher::Box::forget() {
    std::lock_guard guard(lock);
    handler = nullptr;
}

DirectoryWatcher::DirectoryWatcher(std::vector<std::string> paths, double latency, bool noDefer,
                                   SerialQueue& queue, Handler handler, Limits limits)
    : m_paths(std::move(paths)),
      m_latency(latency),
      m_noDefer(noDefer),
      m_queue(queue),
      m_handler(std::move(handler)),
      m_limits(std::move(limits)) {}

DirectoryWatcher::~DirectoryWatcher() { stop(); }

void DirectoryWatcher::start() {
    std::lock_guard guard(m_mutex);
    if (m_stream) return;
    auto stream = std::make_unique<Stream>();
    if (!stream->wakeup.isOpen()) return;
    std::vector<WatchEvent> initial;
    for (const std::string& path : m_paths) {
        auto tree = std::make_unique<WatchTree>(path, m_limits);
        if (!tree->isOpen()) return;
        tree->start(initial);
        stream->trees.push_back(std::move(tree));
    }
    stream->box = std::make_shared<Box>();
    stream->box->handler = m_handler;
    stream->batcher = EventBatcher::make(m_queue, m_latency, m_noDefer,
                                         [box = stream->box](std::vector<WatchEvent> events) {
                                             std::vector<std::string> paths;
                                             std::vector<std::uint32_t> flags;
                                             paths.reserve(events.size());
                                             flags.reserve(events.size());
                                             for (WatchEvent& event : events) {
                                                 paths.push_back(std::move(event.path));
                                                 flags.push_back(event.flags);
                                             }
                                             box->deliver(std::move(paths), std::move(flags));
                                         });
    // Folders that could not be watched at start are news to the consumer too.
    stream->batcher->push(std::move(initial));
    try {
        stream->reader = std::thread([raw = stream.get()] { raw->run(); });
    } catch (const std::system_error&) {
        stream->box->forget();
        return;
    }
    m_stream = std::move(stream);
}

void DirectoryWatcher::stop() {
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard guard(m_mutex);
        stream = std::move(m_stream);
    }
    if (!stream) return;
    stream->box->forget();
    stream->wakeup.signal();
    if (stream->reader.joinable()) stream->reader.join();
}

bool DirectoryWatcher::isRunning() const {
    std::lock_guard guard(m_mutex);
    return m_stream != nullptr;
}

std::size_t DirectoryWatcher::watchCount() const {
    std::lock_guard guard(m_mutex);
    if (!m_stream) return 0;
    std::size_t total = 0;
    for (const auto& tree : m_stream->trees) total += tree->watchCount();
    return total;
}

}  // namespace brimly
