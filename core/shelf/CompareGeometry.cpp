#include "core/shelf/CompareGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace brimly::CompareGeometry {

namespace {

// A rectangle from edges, collapsed to zero size when the edges cross (a part of the screen the drawer
// leaves no room for).
Rect spanning(double left, double bottom, double right, double top) {
    return {left, bottom, std::max(0.0, right - left), std::max(0.0, top - bottom)};
}

Rect centred(Size size, Rect in) {
    return {in.midX() - size.width / 2, in.midY() - size.height / 2, size.width, size.height};
}

}  // namespace

Rect surface(Rect screen, std::optional<Rect> drawer) {
    Rect region = screen;
    if (drawer) {
        const std::array<Rect, 4> parts = {
            spanning(screen.minX(), screen.minY(), screen.maxX(), drawer->minY() - gap),
            spanning(screen.minX(), drawer->maxY() + gap, screen.maxX(), screen.maxY()),
            spanning(screen.minX(), screen.minY(), drawer->minX() - gap, screen.maxY()),
            spanning(drawer->maxX() + gap, screen.minY(), screen.maxX(), screen.maxY()),
        };
        const Rect* best = &parts[0];
        for (const auto& part : parts) {
            if (part.width * part.height > best->width * best->height) best = &part;
        }
        if (best->width >= smallestRegion.width && best->height >= smallestRegion.height) region = *best;
    }
    Size size{std::clamp(region.width - 2 * margin, 0.0, largestSurface.width),
              std::clamp(region.height - 2 * margin, 0.0, largestSurface.height)};
    return centred(size, region);
}

Rect restFrame(Rect rect) { return rect.insetBy(-margin, -margin); }

Zoom zoom(std::optional<Rect> source, Rect target) {
    if (!source || source->width == 0) return {0.9, {}};
    double scale = target.width > 0 ? std::clamp(source->width / target.width, 0.1, 1.0) : 1.0;
    return {scale, {source->midX() - target.midX(), source->midY() - target.midY()}};
}

std::optional<std::pair<Rect, Rect>> overlay(Size a, Size b, Rect rect) {
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0 || rect.isEmpty()) return std::nullopt;
    double scale =
        std::min(rect.width / std::max(a.width, b.width), rect.height / std::max(a.height, b.height));
    return std::pair{centred({a.width * scale, a.height * scale}, rect),
                     centred({b.width * scale, b.height * scale}, rect)};
}

std::vector<Rect> bridge(Rect drawer, Rect surface) {
    std::vector<Rect> result{drawer, surface};
    double left = std::max(drawer.minX(), surface.minX());
    double right = std::min(drawer.maxX(), surface.maxX());
    if (right > left) {
        const Rect& lower = drawer.minY() >= surface.maxY() ? surface : drawer;
        const Rect& upper = &lower == &drawer ? surface : drawer;
        if (upper.minY() >= lower.maxY()) result.push_back(spanning(left, lower.maxY(), right, upper.minY()));
    }
    double bottom = std::max(drawer.minY(), surface.minY());
    double top = std::min(drawer.maxY(), surface.maxY());
    if (top > bottom) {
        const Rect& leftmost = drawer.minX() >= surface.maxX() ? surface : drawer;
        const Rect& rightmost = &leftmost == &drawer ? surface : drawer;
        if (rightmost.minX() >= leftmost.maxX()) {
            result.push_back(spanning(leftmost.maxX(), bottom, rightmost.minX(), top));
        }
    }
    return result;
}

Rect reach(Rect surface, std::optional<Rect> source) {
    Rect rest = restFrame(surface);
    if (!source) return rest;
    constexpr double spare = 8;
    double halfWidth =
        std::max(rest.width / 2, source->width / 2 + std::abs(source->midX() - surface.midX()) + spare);
    double halfHeight =
        std::max(rest.height / 2, source->height / 2 + std::abs(source->midY() - surface.midY()) + spare);
    return {surface.midX() - halfWidth, surface.midY() - halfHeight, 2 * halfWidth, 2 * halfHeight};
}

}  // namespace brimly::CompareGeometry
