#pragma once

namespace brimly {

// A critically damped spring from `from` to `to`, starting at `start` with `velocity` points per second;
// `duration` sets its stiffness (it counts as over after one and a half durations).
struct ScrollSettle {
    double from = 0;
    double to = 0;
    double velocity = 0;
    double start = 0;
    double duration = 0;

    double position(double now) const;
    bool isOver(double now) const { return now - start >= 1.5 * duration; }
    double unitVelocity() const { return to == from ? 0 : velocity / (to - from); }

    bool operator==(const ScrollSettle&) const = default;
};

// The resistance felt when scrolling past an end: the excess is compressed so that it approaches the
// visible dimension but never reaches it.
struct RubberBand {
    static double band(double excess, double dimension, double coefficient);
    static double offset(double x, double upTo, double dimension, double coefficient);
    // The unclamped position that `offset` maps to `shown`, so that a scroll picked up past an end
    // continues from where the strip stands instead of compressing the excess a second time.
    static double unband(double shown, double upTo, double dimension, double coefficient);
};

}  // namespace brimly
