#pragma once

#include <optional>

#include "core/base/Geometry.h"
#include "core/base/PixelSize.h"

namespace brimly {

// Shape arithmetic of the arrival glow around the collapsed drawer: the bloom oval that widens the glow
// along the drawer's long axis, and the per-axis scale that spreads it evenly.
struct GlowGeometry {
    static constexpr double bloomLengthening = 0.5;
    static constexpr double bloomDeepening = 1.5;
    static constexpr double bloomOpacity = 0.56;

    static Rect bloomOval(const Rect& around, double blurRadius);

    struct Scale {
        double x = 1;
        double y = 1;
        bool operator==(const Scale&) const = default;
    };
    // Scales both axes so that a spread factor adds the same distance on each of them.
    static Scale spreadScale(double spread, const Rect& around, double blurRadius);
};

// The platform-free half of drawing the glow bitmap: constants and the canvas the drawing needs.
struct GlowImage {
    static constexpr double shadowPerBlurRadius = 2.0;
    static constexpr double coreShare = 0.45;
    static constexpr double roomPerRadius = 3.0;
    // Rendered images are cached by their inputs; past this many the cache starts over.
    static constexpr int cacheLimit = 23;

    struct Canvas {
        Rect frame;
        PixelSize pixels;
        bool operator==(const Canvas&) const = default;
    };
    // The rectangle (whole points) and bitmap size the glow of `core` with the outline bounds `lit` needs,
    // or absent when nothing can be drawn (empty core, non-positive scale or pixel size).
    static std::optional<Canvas> canvas(const Rect& core, const Rect& litBounds, double radius, double scale);
    // The radius the drawer renders with: the nearest half point, which keeps the image cache small.
    static double renderRadius(double radius);
};

}  // namespace brimly
