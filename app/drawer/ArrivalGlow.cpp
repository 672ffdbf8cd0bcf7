#include "app/drawer/ArrivalGlow.h"

#include "core/drawer/GlowLook.h"
#include "core/drawer/StyleChange.h"

namespace brimly {

ArrivalGlow::Settings ArrivalGlow::Settings::from(const Preferences& prefs, double motionScale,
                                                  bool reduceMotion) {
    return {.quiet = prefs.quietMode,
            .signal = prefs.effectiveSignal(),
            .strength = prefs.glowStrength,
            .pulses = prefs.glowPulses,
            .motionScale = motionScale,
            .reduceMotion = reduceMotion};
}

double ArrivalGlow::restLevel(const Settings& settings, bool unread) {
    if (settings.quiet || settings.signal != ArrivalSignal::glow || !unread) return 0;
    return GlowLook::restLevel(settings.strength, false);
}

bool ArrivalGlow::pulse(double now, const Settings& settings) {
    if (!StyleChange::pulses(settings.quiet, settings.reduceMotion) || settings.signal != ArrivalSignal::glow)
        return false;
    ++m_pulses;
    m_steps = PulseSchedule::steps(int(settings.pulses));
    m_start = now;
    m_from = m_level;
    return true;
}

void ArrivalGlow::advance(double now, const Settings& settings, bool unread) {
    if (m_steps.empty()) {
        m_level = restLevel(settings, unread);
        return;
    }
    double rest = GlowLook::restLevel(settings.strength, false);
    double elapsed = now - m_start;
    double from = m_from;
    for (PulseSchedule::Step step : m_steps) {
        double length = PulseSchedule::duration(step) * settings.motionScale;
        double to = PulseSchedule::level(step, rest);
        if (elapsed < length) {
            double x = elapsed / length;
            double eased = step == PulseSchedule::Step::up ? 1 - (1 - x) * (1 - x) : x * x * (3 - 2 * x);
            m_level = from + (to - from) * eased;
            return;
        }
        elapsed -= length;
        from = to;
    }
    m_steps.clear();
    m_level = restLevel(settings, unread);
}

}  // namespace brimly
