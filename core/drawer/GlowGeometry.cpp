#include "core/drawer/GlowGeometry.h"

#include <algorithm>
#include <cmath>

namespace brimly {

namespace {
double positive(double radius) { return radius > 0 ? radius : 0; }
}  // namespace

Rect GlowGeometry::bloomOval(const Rect& around, double blurRadius) {
    double r = positive(blurRadius);
    double a = r * bloomLengthening;
    double b = r * bloomDeepening;
    if (around.width >= around.height) return around.insetBy(-a, -b);
    return around.insetBy(-b, -a);
}

GlowGeometry::Scale GlowGeometry::spreadScale(double spread, const Rect& around, double blurRadius) {
    double r = positive(blurRadius);
    Rect oval = bloomOval(around, blurRadius);
    double hx = r + oval.width * 0.5;
    double hy = r + oval.height * 0.5;
    double m = std::min(hx, hy);
    if (m > 0) {
        double d = (spread - 1) * m;
        return {1 + d / hx, 1 + d / hy};
    }
    return {spread, spread};
}

std::optional<GlowImage::Canvas> GlowImage::canvas(const Rect& core, const Rect& litBounds, double radius,
                                                   double scale) {
    if (core.isEmpty() || !(scale > 0)) return std::nullopt;
    double r = positive(radius);
    Rect oval = GlowGeometry::bloomOval(core, r);
    Rect shapes = core.united(oval).united(litBounds).insetBy(-roomPerRadius * r, -roomPerRadius * r);
    double left = std::floor(shapes.minX());
    double bottom = std::floor(shapes.minY());
    Rect frame{left, bottom, std::ceil(shapes.maxX()) - left, std::ceil(shapes.maxY()) - bottom};
    double pixelWidth = std::trunc(frame.width * scale);
    double pixelHeight = std::trunc(frame.height * scale);
    // A bitmap beyond 16k pixels a side is a broken input, not a glow.
    constexpr double limit = 16384;
    if (!(pixelWidth > 0) || !(pixelHeight > 0) || pixelWidth > limit || pixelHeight > limit)
        return std::nullopt;
    return Canvas{frame, {static_cast<long>(pixelWidth), static_cast<long>(pixelHeight)}};
}

double GlowImage::renderRadius(double radius) { return std::round(2 * radius) / 2; }

}  // namespace brimly
