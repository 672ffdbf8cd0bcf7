#include "core/drawer/RailSplit.h"

#include <algorithm>
#include <cmath>

namespace brimly {

double RailSplit::maximum() const { return std::max(base, content - between - thumb); }

double RailSplit::width(double sidebar) const {
    if (!std::isfinite(sidebar)) return base;
    return std::clamp(sidebar, base, maximum());
}

int RailSplit::columnCount(double sidebar) const {
    int most = std::max(columns, 1);
    double step = thumb + columnGap;
    // A zero or negative column step would divide by zero; every column then fits.
    if (!(step > 0)) return most;
    double n = std::floor((content - between - width(sidebar) + columnGap) / step);
    // Clamped in floating point first: converting a huge or NaN quotient to int is undefined.
    if (!(n >= 1)) return 1;
    return static_cast<int>(std::min(n, static_cast<double>(most)));
}

}  // namespace brimly
