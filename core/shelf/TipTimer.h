#pragma once

#include <optional>
#include <variant>

#include "core/base/Overloaded.h"

namespace brimly {

// Decides when a tool tip shows for the anchor under the pointer: a first tip needs a longer rest, a
// neighbouring one follows quickly for a short while, and a dismissed tip stays away until the pointer
// leaves its anchor. Generic over the tip's identity; times are monotonic seconds on the main thread.
template <class T>
class TipTimer {
public:
    struct Showing {
        T tip;
        bool operator==(const Showing&) const = default;
    };
    struct Warm {
        double until = 0;
        bool operator==(const Warm&) const = default;
    };
    struct Held {
        T tip;
        bool operator==(const Held&) const = default;
    };
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    using Phase = std::variant<Showing, Warm, Held, Idle>;

    TipTimer(double delay, double quickDelay, double warmFor)
        : m_delay(delay), m_quickDelay(quickDelay), m_warmFor(warmFor) {}

    double delay() const { return m_delay; }
    double quickDelay() const { return m_quickDelay; }
    double warmFor() const { return m_warmFor; }
    const Phase& phase() const { return m_phase; }

    std::optional<T> shown() const {
        if (auto* showing = std::get_if<Showing>(&m_phase)) return showing->tip;
        return std::nullopt;
    }

    std::optional<T> current() const {
        return std::visit(Overloaded{[](const Showing& p) -> std::optional<T> { return p.tip; },
                                     [](const Held& p) -> std::optional<T> { return p.tip; },
                                     [](const Warm&) -> std::optional<T> { return std::nullopt; },
                                     [](const Idle&) -> std::optional<T> { return std::nullopt; }},
                          m_phase);
    }

    double rest(double now) const {
        return std::visit(
            Overloaded{[&](const Showing&) { return m_quickDelay; },
                       [&](const Warm& p) { return p.until > now ? m_quickDelay : m_delay; },
                       [&](const Held&) { return m_delay; }, [&](const Idle&) { return m_delay; }},
            m_phase);
    }

    void tick(double now) {
        if (auto* warm = std::get_if<Warm>(&m_phase); warm && warm->until <= now) m_phase = Idle{};
    }

    void moved(bool stillOn, double now) {
        tick(now);
        if (stillOn) return;
        std::visit(Overloaded{[&](const Showing&) { m_phase = Warm{now + m_warmFor}; },
                              [&](const Held&) { m_phase = Idle{}; }, [](const Warm&) {}, [](const Idle&) {}},
                   m_phase);
    }

    void rested(const std::optional<T>& tip, double now) {
        tick(now);
        if (!tip || current() == tip) return;
        m_phase = Showing{*tip};
    }

    void dismiss(const std::optional<T>& tip) {
        if (auto* showing = std::get_if<Showing>(&m_phase)) {
            m_phase = Held{showing->tip};
        } else if (tip) {
            m_phase = Held{*tip};
        } else if (std::holds_alternative<Warm>(m_phase)) {
            m_phase = Idle{};
        }
    }

    void reset() { m_phase = Idle{}; }

    bool operator==(const TipTimer&) const = default;

private:
    double m_delay;
    double m_quickDelay;
    double m_warmFor;
    Phase m_phase = Idle{};
};

}  // namespace brimly
