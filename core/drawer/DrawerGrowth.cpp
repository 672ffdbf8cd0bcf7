#include "core/drawer/DrawerGrowth.h"

#include <algorithm>
#include <cmath>

#include "core/drawer/Interpolation.h"

namespace brimly {

double DrawerGrowth::perceived(double x) {
    const double logRatio = std::log(referenceRatio);
    if (x > 0) return std::log(1 + (referenceRatio - 1) * x) / logRatio;
    return (referenceRatio - 1) * x / logRatio;
}

double DrawerGrowth::length(double a, double b, double perceived) {
    if (a > 0 && b > 0) return a * std::pow(b / a, perceived);
    return a + (b - a) * perceived;
}

Rect DrawerGrowth::frame(const Rect& from, const Rect& to, double progress, RectSide edge, double lineHold) {
    double q = progress;
    if (lineHold > 0) {
        double hold = std::min(lineHold, 0.99);
        q = std::max(progress - hold, 0.0) / (1 - hold);
    }
    bool horizontal = edge == RectSide::minX || edge == RectSide::maxX;
    // The growth axis (away from the edge) follows the progress; the axis along the edge holds.
    double depthProgress = perceived(progress);
    double alongProgress = perceived(q);
    double width = std::max(length(from.width, to.width, horizontal ? depthProgress : alongProgress), 0.0);
    double height = std::max(length(from.height, to.height, horizontal ? alongProgress : depthProgress), 0.0);
    // Anchoring: the attached edge moves from the rest rectangle's edge to the open one's at the pace of the
    // depth, and the centre along the edge moves at the pace of the length along it, so the rectangle stays
    // centred on its own growth and reaches `to` exactly at progress 1.
    switch (edge) {
        case RectSide::minX: {
            double left = mix(from.minX(), to.minX(), depthProgress);
            double midY = mix(from.midY(), to.midY(), alongProgress);
            return {left, midY - height / 2, width, height};
        }
        case RectSide::maxX: {
            double right = mix(from.maxX(), to.maxX(), depthProgress);
            double midY = mix(from.midY(), to.midY(), alongProgress);
            return {right - width, midY - height / 2, width, height};
        }
        case RectSide::minY: {
            double bottom = mix(from.minY(), to.minY(), depthProgress);
            double midX = mix(from.midX(), to.midX(), alongProgress);
            return {midX - width / 2, bottom, width, height};
        }
        case RectSide::maxY: {
            double top = mix(from.maxY(), to.maxY(), depthProgress);
            double midX = mix(from.midX(), to.midX(), alongProgress);
            return {midX - width / 2, top - height, width, height};
        }
    }
    return to;
}

double DrawerGrowth::reveal(double scale) { return unit((scale - 0.6475) / 0.3084375); }

double DrawerGrowth::scale(double progress) {
    return std::min((38 + 282 * progress) / 320, (220 + 500 * progress) / 720);
}

double DrawerGrowth::proportional(double x, double depth, double restDepth) {
    if (restDepth > 0) return std::min(x, std::max(depth, 0.0) * x / restDepth);
    return x;
}

}  // namespace brimly
