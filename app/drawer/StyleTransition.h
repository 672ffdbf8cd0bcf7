#pragma once

#include <functional>

#include "core/base/SerialQueue.h"
#include "core/config/DisplayStyleChoice.h"
#include "core/drawer/StyleChange.h"

namespace brimly {

// Runs a change of display style on screen: what the old style shows at rest leaves first (the panels fade
// out), then the new style arrives (they are rebuilt and fade in). Opening the drawer mid-way settles the
// change at once; a leave that ended after that is ignored.
class StyleTransition {
public:
    struct Hooks {
        // Start taking the old style off screen; the transition calls `apply` after `leaveSeconds`.
        std::function<void()> leave;
        // Lay the panels out in `applied()`; `arrive` asks for them to come in animated.
        std::function<void(bool arrive)> apply;
    };

    StyleTransition(SerialQueue& queue, const DisplayStyleChoice& initial, double leaveSeconds, Hooks hooks);

    const DisplayStyleChoice& applied() const { return m_change.applied; }
    bool isLeaving() const { return m_change.isLeaving; }

    void request(const DisplayStyleChoice& choice, bool showsAtRest, bool animate);
    void settle();

private:
    void run(const StyleChange::Action& action);

    SerialQueue& m_queue;
    StyleChange m_change;
    double m_leaveSeconds;
    Hooks m_hooks;
    TaskHandle m_leaveEnd;
};

}  // namespace brimly
