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

}  // namespace brimly
