#pragma once

#include <optional>

#include "core/base/Geometry.h"
#include "core/config/DisplayStyle.h"
#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {

// How big the open drawer is for each content layout on a given screen, and how big the panel window
// must be to hold every layout of a style.
struct DrawerSize {
    static constexpr double messageRoom = 40;
    static constexpr double sideStacksWidth = 204;

    // `visible` is given for pills only: they rest on the visible frame and must leave room for the
    // message band and the gap to its edge.
    static Size expanded(ShelfLayoutKind kind, const Rect& screen, const std::optional<Rect>& visible);
    static Size panel(const DisplayStyle& style, const Rect& screen, const std::optional<Rect>& visible);
    static Size fillingCard(double column, double behind);
};

}  // namespace brimly
