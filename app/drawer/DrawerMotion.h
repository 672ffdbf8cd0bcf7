#pragma once

#include "core/config/DisplayStyle.h"

namespace brimly {

// How the drawer moves: a spring per style for opening and closing (an ease-out instead when the desktop
// asks for reduced motion), every duration times the motion scale.
struct DrawerMotion {
    struct Curve {
        // Seconds of one undamped oscillation (the spring's response), or the ease-out's length.
        double response = 0;
        double damping = 1;
        bool easeOut = false;
        bool operator==(const Curve&) const = default;
    };

    static Curve open(const DisplayStyle* style, bool reduceMotion);
    static Curve close(const DisplayStyle* style, bool reduceMotion);
    // Progress 0…1 of `curve` after `elapsed` seconds at motion scale `scale`.
    static double progress(const Curve& curve, double elapsed, double scale);
    // Seconds until the curve is within a thousandth of its end.
    static double duration(const Curve& curve, double scale);
};

}  // namespace brimly
