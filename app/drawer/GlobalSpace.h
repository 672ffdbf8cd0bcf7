#pragma once

#include "core/base/Geometry.h"

namespace brimly {

// The one conversion between the window system's coordinates (X root and Qt: origin at the top left of the
// root window, y down) and the drawer logic's global space (origin at the bottom left of the primary screen,
// y up). Nothing else converts, so a sign error can live in one place only.
class GlobalSpace {
public:
    GlobalSpace() = default;
    // `primary` is the primary screen's frame in root coordinates.
    explicit GlobalSpace(const Rect& primary) : m_bottom(primary.y + primary.height), m_left(primary.x) {}

    Point toGlobal(Point root) const { return {root.x - m_left, m_bottom - root.y}; }
    Rect toGlobal(const Rect& root) const {
        return {root.x - m_left, m_bottom - (root.y + root.height), root.width, root.height};
    }
    Point toRoot(Point global) const { return {global.x + m_left, m_bottom - global.y}; }
    // The inverse of `toGlobal` (the same flip, as it is its own inverse on rectangles).
    Rect toRoot(const Rect& global) const {
        return {global.x + m_left, m_bottom - (global.y + global.height), global.width, global.height};
    }

private:
    double m_bottom = 0;
    double m_left = 0;
};

}  // namespace brimly
