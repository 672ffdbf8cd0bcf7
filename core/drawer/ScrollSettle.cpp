#include "core/drawer/ScrollSettle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brimly {

double ScrollSettle::position(double now) const {
    // Without a positive duration the spring would be infinitely stiff: it is already at rest.
    if (!(duration > 0)) return to;
    double w = 2 * std::numbers::pi / duration;
    double t = std::max(now - start, 0.0);
    double d = from - to;
    return to + (d + (w * d + velocity) * t) * std::exp(-w * t);
}

double RubberBand::band(double excess, double dimension, double coefficient) {
    if (!(excess > 0) || !(dimension > 0)) return 0;
    return (1 - 1 / (excess * coefficient / dimension + 1)) * dimension;
}

double RubberBand::offset(double x, double upTo, double dimension, double coefficient) {
    if (x < 0) return -band(-x, dimension, coefficient);
    if (x > upTo) return upTo + band(x - upTo, dimension, coefficient);
    return x;
}

double RubberBand::unband(double shown, double upTo, double dimension, double coefficient) {
    // Inverse of band: excess = y D / (c (D - y)); past the asymptote (or without a band) nothing to undo.
    auto excess = [&](double y) {
        if (!(y > 0) || !(dimension > 0) || !(coefficient > 0) || y >= dimension) return y;
        return y * dimension / (coefficient * (dimension - y));
    };
    if (shown < 0) return -excess(-shown);
    if (shown > upTo) return upTo + excess(shown - upTo);
    return shown;
}

}  // namespace brimly
