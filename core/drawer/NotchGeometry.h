#pragma once

#include <optional>

#include "core/base/Geometry.h"

namespace brimly {

// Where a display's camera notch is, found from the screen values the window system reports, and kept
// across moments when the system reports none for the same screen (a hidden menu bar).
struct NotchGeometry {
    Rect screenFrame;
    std::optional<Rect> notchRect;

    bool hasNotch() const { return notchRect.has_value(); }

    // The notch is the gap between the two menu-bar areas beside it, as tall as the top inset.
    static NotchGeometry compute(const Rect& screenFrame, double topInset, const std::optional<Rect>& auxLeft,
                                 const std::optional<Rect>& auxRight);
    // A cached notch survives only for a screen of exactly the same size, shifted with the screen's origin.
    static NotchGeometry resolve(const NotchGeometry& live, const std::optional<NotchGeometry>& cached);

    bool operator==(const NotchGeometry&) const = default;
};

}  // namespace brimly
