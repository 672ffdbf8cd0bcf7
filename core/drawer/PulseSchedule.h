#pragma once

#include <vector>

namespace brimly {

// The arrival pulse as a sequence of up and down steps; each step animates the glow level and waits for
// its duration before the next one.
struct PulseSchedule {
    enum class Step { up, down };

    static constexpr double upDuration = 0.36;
    static constexpr double downDuration = 0.48;

    // [up, down] repeated max(pulses, 1) times.
    static std::vector<Step> steps(int pulses);
    static double level(Step after, double rest) { return after == Step::up ? 1.0 : rest; }
    // Unscaled seconds of one step (multiplied by the motion scale by the caller).
    static double duration(Step step) { return step == Step::up ? upDuration : downDuration; }
};

}  // namespace brimly
