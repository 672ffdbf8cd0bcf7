#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "core/base/Geometry.h"

namespace brimly {

// Where the compare surface sits on screen, how it zooms out of the thumbnail it was opened from, how two
// versions of different pixel sizes line up, and which rectangles the pointer may cross between the drawer
// and the surface. Pure rectangle arithmetic in global screen points (y up).
namespace CompareGeometry {

inline constexpr double margin = 32;
inline constexpr double gap = 12;
inline constexpr Size largestSurface{840, 640};
inline constexpr Size smallestSurface{560, 380};
inline constexpr Size smallestRegion{smallestSurface.width + 2 * margin, smallestSurface.height + 2 * margin};

struct Zoom {
    double scale = 1;
    Point offset;
    bool operator==(const Zoom&) const = default;
};

Rect surface(Rect screen, std::optional<Rect> drawer);
Rect restFrame(Rect rect);
// `offset` runs from the target's centre to the source's centre.
Zoom zoom(std::optional<Rect> source, Rect target);
std::optional<std::pair<Rect, Rect>> overlay(Size a, Size b, Rect rect);
std::vector<Rect> bridge(Rect drawer, Rect surface);
Rect reach(Rect surface, std::optional<Rect> source);

}  // namespace CompareGeometry
}  // namespace brimly
