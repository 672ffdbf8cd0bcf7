#pragma once

#include <vector>

#include "core/config/Preferences.h"
#include "core/drawer/PulseSchedule.h"

namespace brimly {

// How bright the arrival glow is over time: each arrival plays the pulse schedule (up eases out, down eases
// in and out, every step times the motion scale), and afterwards the glow rests at its strength's level
// while something is unread, or goes out. Quiet mode and the count signal never glow. Plain value; the
// drawer advances it on its frames and draws the level.
class ArrivalGlow {
public:
    struct Settings {
        bool quiet = false;
        ArrivalSignal signal = ArrivalSignal::glow;
        GlowStrength strength = GlowStrength::balanced;
        long pulses = 2;
        double motionScale = 1;
        // The desktop asks for less motion: an arrival lights the glow at its resting level, without pulses.
        bool reduceMotion = false;

        static Settings from(const Preferences& prefs, double motionScale, bool reduceMotion);
    };

    // An arrival: false when the settings show none.
    bool pulse(double now, const Settings& settings);
    // The level at `now`; `unread` decides where it rests after the pulse.
    void advance(double now, const Settings& settings, bool unread);
    static double restLevel(const Settings& settings, bool unread);

    double level() const { return m_level; }
    bool isPulsing() const { return !m_steps.empty(); }
    long pulses() const { return m_pulses; }

private:
    double m_level = 0;
    std::vector<PulseSchedule::Step> m_steps;
    double m_start = 0;
    double m_from = 0;
    long m_pulses = 0;
};

}  // namespace brimly
