#pragma once

#include <algorithm>

namespace brimly {

// Points, sizes and rectangles in the global screen space: origin at the bottom-left of the primary
// display, y growing upwards, in points.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    static Rect make(Point origin, Size size) { return {origin.x, origin.y, size.width, size.height}; }

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double midX() const { return x + width / 2; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    double midY() const { return y + height / 2; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    bool isEmpty() const { return width <= 0 || height <= 0; }

    // Edges count as inside on the low side and outside on the high side, as with half-open intervals.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

    // The shared part, or an empty rectangle at the origin when there is none.
    Rect intersection(const Rect& other) const {
        double left = std::max(minX(), other.minX());
        double right = std::min(maxX(), other.maxX());
        double bottom = std::max(minY(), other.minY());
        double top = std::min(maxY(), other.maxY());
        if (right <= left || top <= bottom) return {};
        return {left, bottom, right - left, top - bottom};
    }

    // The smallest rectangle holding both; an empty rectangle does not count.
    Rect united(const Rect& other) const {
        if (isEmpty()) return other;
        if (other.isEmpty()) return *this;
        double left = std::min(minX(), other.minX());
        double bottom = std::min(minY(), other.minY());
        return {left, bottom, std::max(maxX(), other.maxX()) - left, std::max(maxY(), other.maxY()) - bottom};
    }

    // Shrunk by `dx` on the left and right and by `dy` at the top and bottom (negative values grow it).
    Rect insetBy(double dx, double dy) const { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }

    bool operator==(const Rect&) const = default;
};

}  // namespace brimly
