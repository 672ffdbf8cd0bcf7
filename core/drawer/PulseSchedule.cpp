#include "core/drawer/PulseSchedule.h"

#include <algorithm>

namespace brimly {

std::vector<PulseSchedule::Step> PulseSchedule::steps(int pulses) {
    std::vector<Step> result;
    // The preference allows at most three pulses; a larger number would only keep the glow blinking.
    int count = std::clamp(pulses, 1, 64);
    result.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        result.push_back(Step::up);
        result.push_back(Step::down);
    }
    return result;
}

}  // namespace brimly
