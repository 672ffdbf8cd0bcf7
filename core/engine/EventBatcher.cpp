#include "core/engine/EventBatcher.h"

#include <algorithm>

namespace brimly {

std::shared_ptr<EventBatcher> EventBatcher::make(SerialQueue& queue, double latency, bool noDefer,
                                                 Deliver deliver) {
    return std::shared_ptr<EventBatcher>(new EventBatcher(queue, latency, noDefer, std::move(deliver)));
}

EventBatcher::EventBatcher(SerialQueue& queue, double latency, bool noDefer, Deliver deliver)
    : m_queue(queue),
      m_latency(latency > 0 ? latency : 0),
      m_noDefer(noDefer),
      m_deliver(std::move(deliver)) {}

void EventBatcher::push(std::vector<WatchEvent> events, double heldFor) {
    if (events.empty()) return;
    {
        std::lock_guard lock(m_inboxMutex);
        if (heldFor > 0) {
            double since = m_queue.now() - heldFor;
            m_inboxHeldSince = std::min(m_inboxHeldSince.value_or(since), since);
        }
        bool wasEmpty = m_inbox.empty();
        if (wasEmpty) {
            m_inbox = std::move(events);
        } else {
            m_inbox.insert(m_inbox.end(), std::make_move_iterator(events.begin()),
                           std::make_move_iterator(events.end()));
        }
        // One drain task at a time carries everything that arrives before it runs.
        if (m_drainPosted) return;
        m_drainPosted = true;
    }
    std::weak_ptr<EventBatcher> weak = weak_from_this();
    m_queue.post([weak] {
        if (auto self = weak.lock()) self->drain();
    });
}

void EventBatcher::drain() {
    std::vector<WatchEvent> arrived;
    std::optional<double> heldSince;
    {
        std::lock_guard lock(m_inboxMutex);
        arrived.swap(m_inbox);
        heldSince.swap(m_inboxHeldSince);
        m_drainPosted = false;
    }
    for (WatchEvent& event : arrived) {
        auto [slot, inserted] = m_pendingIndex.try_emplace(event.path, m_pending.size());
        if (inserted) {
            m_pending.push_back(std::move(event));
        } else {
            m_pending[slot->second].flags |= event.flags;
        }
    }
    if (m_pending.empty() || m_timer.isActive()) return;
    double now = m_queue.now();
    double due = now + m_latency;
    if (m_noDefer) {
        bool quiet = !m_windowStart || now - *m_windowStart >= m_latency;
        if (quiet || m_latency == 0) {
            m_windowStart = now;
            flush();
            return;
        }
        due = *m_windowStart + m_latency;
    } else {
        if (heldSince) due = std::min(due, *heldSince + m_latency);
        if (due <= now) {
            flush();
            return;
        }
    }
    std::weak_ptr<EventBatcher> weak = weak_from_this();
    m_timer = m_queue.postAfter(due - now, [weak] {
        if (auto self = weak.lock()) {
            self->m_timer = TaskHandle();
            self->flush();
        }
    });
}

void EventBatcher::flush() {
    if (m_pending.empty()) return;
    std::vector<WatchEvent> batch;
    batch.swap(m_pending);
    m_pendingIndex.clear();
    m_deliver(std::move(batch));
}

}  // namespace brimly
