#pragma once

#include "core/base/Geometry.h"

namespace brimly {

// Linear interpolation without clamping, so that spring overshoot carries through to the geometry.
inline double mix(double a, double b, double t) { return a + (b - a) * t; }

// Each of minX, minY, width and height mixed with the same t.
inline Rect mix(const Rect& a, const Rect& b, double t) {
    return {mix(a.x, b.x, t), mix(a.y, b.y, t), mix(a.width, b.width, t), mix(a.height, b.height, t)};
}

// x clamped to 0...1; NaN counts as 0 so that a broken input can never produce a NaN rectangle.
inline double unit(double x) {
    if (!(x > 0)) return 0;
    if (x > 1) return 1;
    return x;
}

}  // namespace brimly
