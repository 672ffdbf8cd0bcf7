#pragma once

#include "core/base/Geometry.h"

namespace brimly {

// The edge a drawer grows from: maxY for drawers hanging from the top, minX and maxX for side pills,
// minY for the bottom pill.
enum class RectSide { minX, maxX, minY, maxY };

// How the drawer grows from its resting shape to its open shape. Sizes follow a perceived progress (early
// progress counts for more) and interpolate geometrically, so equal steps of progress look like equal
// steps of size.
struct DrawerGrowth {
    static constexpr Size referenceRest{220, 38};
    static constexpr Size referenceOpen{720, 320};
    static constexpr double referenceRatio = 5.2497436711176855;

    static double perceived(double x);
    static double length(double a, double b, double perceived);
    // The drawer at progress `progress`; the axis along `edge` waits for the first `lineHold` of the
    // progress before it catches up.
    static Rect frame(const Rect& from, const Rect& to, double progress, RectSide edge, double lineHold);
    // How far the content is revealed at a given drawer scale.
    static double reveal(double scale);
    // The drawer's scale at a progress of the reference growth: the smaller of the two axes' growth.
    static double scale(double progress);
    static double proportional(double x, double depth, double restDepth);
};

}  // namespace brimly
