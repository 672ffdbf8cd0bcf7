#pragma once

#include <functional>
#include <optional>

#include "app/shelf/ShelfTip.h"
#include "core/base/SerialQueue.h"
#include "core/shelf/TipTimer.h"

namespace brimly {

// Follows the pointer over the drawer's tip anchors and decides with a `TipTimer` which tip shows. Views
// report each pointer move with the tip of the anchor under the pointer (absent over no anchor) and each
// click on an anchor; the rest timer runs on the main queue and dies with the centre.
class TipCentre {
public:
    static constexpr double delay = 0.5;
    static constexpr double quickDelay = 0.24;
    static constexpr double warmFor = 0.76;

    // `onChange` is called whenever `shown` changes.
    TipCentre(SerialQueue& queue, double motionScale, std::function<void()> onChange);

    const std::optional<ShelfTip>& shown() const { return m_shown; }
    void pointerMoved(const std::optional<ShelfTip>& anchor);
    // A clicked tip stays away until the pointer leaves its anchor.
    void clicked(const std::optional<ShelfTip>& anchor);
    void hide();

private:
    void publish();

    SerialQueue& m_queue;
    TipTimer<ShelfTip> m_timer;
    std::function<void()> m_onChange;
    std::optional<ShelfTip> m_anchor;
    std::optional<ShelfTip> m_shown;
    TaskHandle m_rest;
};

}  // namespace brimly
