#pragma once

#include "core/config/Preferences.h"

namespace brimly {

// How strongly the arrival glow around the collapsed drawer shines, by the user's glow strength:
// the blur radius, the size of the lit core, and the level the glow rests at after its pulses.
struct GlowLook {
    double radius = 0;
    double core = 0;

    static GlowLook forStrength(GlowStrength strength);
    // With the system's increase-contrast setting on, the glow rests at full level whatever the strength.
    static double restLevel(GlowStrength strength, bool increaseContrast);

    bool operator==(const GlowLook&) const = default;
};

}  // namespace brimly
