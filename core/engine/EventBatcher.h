#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/SerialQueue.h"
#include "core/engine/WatchEvent.h"

namespace brimly {

// Hands the watcher's events to `deliver` on its queue, coalesced by `latency`: without `noDefer` a batch
// goes `latency` seconds after its first event; with it, the first event after a quiet period goes at once
// and opens a window of `latency` seconds whose later events go together at its end. Only an immediate
// delivery opens a window, so the close that follows each append never delays the next append. Events for one
// path within a batch merge into one with their flags combined, in first-seen order. Events that waited
// before they were pushed count their latency from when they may have happened. `push` may be called from
// any thread; everything else runs on the queue.
class EventBatcher : public std::enable_shared_from_this<EventBatcher> {
public:
    using Deliver = std::function<void(std::vector<WatchEvent>)>;

    static std::shared_ptr<EventBatcher> make(SerialQueue& queue, double latency, bool noDefer,
                                              Deliver deliver);

    // `heldFor`: seconds the events may have waited before this call.
    void push(std::vector<WatchEvent> events, double heldFor = 0);

private:
    EventBatcher(SerialQueue& queue, double latency, bool noDefer, Deliver deliver);
    void drain();
    void flush();

    SerialQueue& m_queue;
    double m_latency;
    bool m_noDefer;
    Deliver m_deliver;

    std::mutex m_inboxMutex;
    std::vector<WatchEvent> m_inbox;
    // The queue time the inbox's earliest held event may have happened at.
    std::optional<double> m_inboxHeldSince;
    bool m_drainPosted = false;

    std::vector<WatchEvent> m_pending;
    std::unordered_map<std::string, std::size_t> m_pendingIndex;
    TaskHandle m_timer;
    // When the last immediate delivery opened a window.
    std::optional<double> m_windowStart;
};

}  // namespace brimly
