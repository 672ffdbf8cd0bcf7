#include "core/shelf/TipPlacement.h"

#include <algorithm>

namespace brimly::TipPlacement {

Rect frame(Size size, Point textOrigin, Edge edge, Size padding, Rect bounds, std::optional<Rect> avoid) {
    double width = std::min(size.width, bounds.width);
    double height = std::min(size.height, bounds.height);
    double x = textOrigin.x - padding.width;
    double y = edge == Edge::top ? textOrigin.y - padding.height : textOrigin.y + padding.height - height;
    // min then max (not std::clamp): the lower bound wins when the bounds are degenerate.
    x = std::max(std::min(x, bounds.maxX() - width), bounds.minX());
    y = std::max(std::min(y, bounds.maxY() - height), bounds.minY());
    if (avoid && Rect{x, y, width, height}.intersects(*avoid)) {
        y = std::max(std::min(avoid->maxY(), bounds.maxY() - height), bounds.minY());
    }
    return {x, y, width, height};
}

}  // namespace brimly::TipPlacement
