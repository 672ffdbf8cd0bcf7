#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "core/base/Geometry.h"

namespace brimly {

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << "(" << s.width << " x " << s.height << ")";
}

// Geometry here is sums and products of small numbers; a nanopoint absorbs rounding and nothing else.
inline constexpr double geometryTolerance = 1e-9;

inline ::testing::AssertionResult nearRect(const Rect& actual, const Rect& expected,
                                           double tolerance = geometryTolerance) {
    auto near = [&](double a, double b) { return std::abs(a - b) <= tolerance; };
    if (near(actual.x, expected.x) && near(actual.y, expected.y) && near(actual.width, expected.width) &&
        near(actual.height, expected.height)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}

}  // namespace brimly
