#pragma once

#include <optional>

#include "core/base/Geometry.h"

namespace brimly {

// Suspends per-card hover highlighting while the drawer's content scrolls under a pointer that does not
// move; the first real pointer movement lifts it. Main thread only.
struct HoverFreeze {
    std::optional<Point> frozenAt;

    bool isFrozen() const { return frozenAt.has_value(); }
    // The first scroll position stays while frozen.
    void scrolled(Point pointer) {
        if (!frozenAt) frozenAt = pointer;
    }
    // Exact comparison: the very same point is no movement.
    void moved(Point to) {
        if (frozenAt && *frozenAt != to) frozenAt.reset();
    }
    void reset() { frozenAt.reset(); }

    bool operator==(const HoverFreeze&) const = default;
};

}  // namespace brimly
