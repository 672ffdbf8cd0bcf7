#pragma once

#include <optional>

#include "core/base/Geometry.h"

namespace brimly {

// Where a tool tip goes next to its anchor text: inside the visible bounds and clear of an area to avoid.
namespace TipPlacement {

enum class Edge { top, bottom };

// `padding` holds the horizontal (width) and vertical (height) offsets from the text origin.
Rect frame(Size size, Point textOrigin, Edge edge, Size padding, Rect bounds, std::optional<Rect> avoid);

}  // namespace TipPlacement
}  // namespace brimly
