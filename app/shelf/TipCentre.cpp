#include "app/shelf/TipCentre.h"

namespace brimly {

TipCentre::TipCentre(SerialQueue& queue, double motionScale, std::function<void()> onChange)
    : m_queue(queue),
      m_timer(delay * motionScale, quickDelay * motionScale, warmFor * motionScale),
      m_onChange(std::move(onChange)) {}

void TipCentre::pointerMoved(const std::optional<ShelfTip>& anchor) {
    double now = m_queue.now();
    bool stillOn = anchor && anchor == m_anchor;
    m_timer.moved(stillOn, now);
    // Moving inside one anchor keeps its rest running; only a new anchor starts it over.
    if (!stillOn) {
        m_anchor = anchor;
        m_rest.cancel();
        if (anchor) {
            m_rest = m_queue.postAfter(m_timer.rest(now), [this] {
                m_timer.rested(m_anchor, m_queue.now());
                publish();
            });
        }
    }
    publish();
}

void TipCentre::clicked(const std::optional<ShelfTip>& anchor) {
    m_rest.cancel();
    m_timer.dismiss(anchor);
    publish();
}

void TipCentre::hide() {
    m_rest.cancel();
    m_anchor.reset();
    m_timer.reset();
    publish();
}

void TipCentre::publish() {
    std::optional<ShelfTip> shown = m_timer.shown();
    if (shown == m_shown) return;
    m_shown = std::move(shown);
    if (m_onChange) m_onChange();
}

}  // namespace brimly
