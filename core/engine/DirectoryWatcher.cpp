#include "core/engine/DirectoryWatcher.h"

#include "core/engine/EventBatcher.h"
#include "core/engine/WatchHub.h"

namespace brimly {

// What the hub's reader and the queue share with `stop`: the handlers are read and cleared only under
// `lock`, so work already queued finds none once the watcher stopped.
struct DirectoryWatcher::Handlers {
    std::mutex lock;
    Handler handler;
    FailureHandler failureHandler;
    DirectoryWatcher* owner = nullptr;

    void forget() {
        std::lock_guard guard(lock);
        handler = nullptr;
        failureHandler = nullptr;
        owner = nullptr;
    }
};

struct DirectoryWatcher::Stream {
    std::shared_ptr<WatchHub> hub;
    std::vector<std::unique_ptr<WatchTree>> trees;
    std::shared_ptr<Handlers> handlers;
    std::shared_ptr<EventBatcher> batcher;
    WatchHub::ClientID client = 0;
};

DirectoryWatcher::DirectoryWatcher(std::vector<std::string> paths, double latency, bool noDefer,
                                   SerialQueue& queue, Handler handler, Limits limits)
    : m_paths(std::move(paths)),
      m_latency(latency),
      m_noDefer(noDefer),
      m_queue(queue),
      m_handler(std::move(handler)),
      m_limits(std::move(limits)) {}

DirectoryWatcher::~DirectoryWatcher() { stop(); }

void DirectoryWatcher::setFailureHandler(FailureHandler handler) {
    std::lock_guard guard(m_mutex);
    m_failureHandler = std::move(handler);
}

void DirectoryWatcher::start() {
    std::lock_guard guard(m_mutex);
    if (m_stream) return;
    auto handlers = std::make_shared<Handlers>();
    handlers->handler = m_handler;
    handlers->failureHandler = m_failureHandler;
    handlers->owner = this;
    {
        std::lock_guard failureGuard(m_failureMutex);
        m_failure.reset();
    }
    auto hub = WatchHub::shared();
    if (auto refused = hub->failure()) {
        fail(*refused, handlers);
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->hub = std::move(hub);
    stream->handlers = handlers;
    stream->batcher =
        EventBatcher::make(m_queue, m_latency, m_noDefer, [handlers](std::vector<WatchEvent> events) {
            std::vector<std::string> paths;
            std::vector<std::uint32_t> flags;
            paths.reserve(events.size());
            flags.reserve(events.size());
            for (WatchEvent& event : events) {
                paths.push_back(std::move(event.path));
                flags.push_back(event.flags);
            }
            Handler current;
            {
                std::lock_guard lock(handlers->lock);
                current = handlers->handler;
            }
            if (current) current(paths, flags);
        });
    std::vector<WatchTree*> trees;
    for (const std::string& path : m_paths) {
        stream->trees.push_back(std::make_unique<WatchTree>(*stream->hub, path, m_limits));
        trees.push_back(stream->trees.back().get());
    }
    std::vector<WatchEvent> initial;
    WatchHub::Client client{[batcher = stream->batcher](std::vector<WatchEvent> events, double heldFor) {
                                batcher->push(std::move(events), heldFor);
                            },
                            [this, handlers](const WatchFailure& failure) { fail(failure, handlers); }};
    stream->client = stream->hub->attach(trees, std::move(client), initial);
    // Folders that could not be watched at start are news to the consumer too.
    stream->batcher->push(std::move(initial));
    m_stream = std::move(stream);
}

void DirectoryWatcher::fail(const WatchFailure& failure, const std::shared_ptr<Handlers>& handlers) {
    // Held throughout, so that `stop` (which clears `owner` under it) waits for a report in progress.
    std::lock_guard lock(handlers->lock);
    if (handlers->owner != this) return;
    {
        std::lock_guard guard(m_failureMutex);
        // A refused watch is reported once, not once per folder.
        if (m_failure && m_failure->kind == failure.kind) return;
        m_failure = failure;
    }
    m_log.error("{}", failure.text);
    m_queue.post([handlers, failure] {
        FailureHandler current;
        {
            std::lock_guard guard(handlers->lock);
            current = handlers->failureHandler;
        }
        if (current) current(failure);
    });
}

void DirectoryWatcher::stop() {
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard guard(m_mutex);
        stream = std::move(m_stream);
    }
    if (!stream) return;
    stream->handlers->forget();
    stream->hub->detach(stream->client);
}

bool DirectoryWatcher::isRunning() const {
    std::lock_guard guard(m_mutex);
    return m_stream != nullptr;
}

std::optional<WatchFailure> DirectoryWatcher::failure() const {
    std::lock_guard guard(m_failureMutex);
    return m_failure;
}

std::size_t DirectoryWatcher::watchCount() const {
    std::lock_guard guard(m_mutex);
    if (!m_stream) return 0;
    std::size_t total = 0;
    for (const auto& tree : m_stream->trees) total += tree->watchCount();
    return total;
}

}  // namespace brimly
