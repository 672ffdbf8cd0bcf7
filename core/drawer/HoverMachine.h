#pragma once

#include <optional>
#include <variant>

#include "core/drawer/DisplayID.h"

namespace brimly {

// Decides from timestamped inputs when the drawer opens and closes: dwelling on a hot zone, the hot key,
// clicks, and a grace period after the pointer leaves. It owns no timers; the hover detector on the main
// thread feeds it samples, arms a timer for `deadline()` and carries out the returned action.
class HoverMachine {
public:
    // A deadline D counts as reached from D minus this, so a timer firing a hair early still counts.
    static constexpr double tolerance = 0.000001;

    enum class Reason { hover, hotkey, click };

    struct Phase {
        struct Dwelling {
            DisplayID target = 0;
            double since = 0;
            double dwell = 0;
            bool operator==(const Dwelling&) const = default;
        };
        struct Open {
            DisplayID target = 0;
            Reason reason = Reason::hover;
            bool entered = false;
            std::optional<double> outsideSince;
            bool operator==(const Open&) const = default;
        };
        struct Closing {
            DisplayID target = 0;
            double until = 0;
            bool operator==(const Closing&) const = default;
        };
        struct Closed {
            bool operator==(const Closed&) const = default;
        };

        std::variant<Closed, Dwelling, Open, Closing> value;

        bool operator==(const Phase&) const = default;
    };

    struct Action {
        struct Open {
            DisplayID display = 0;
            bool operator==(const Open&) const = default;
        };
        struct None {
            bool operator==(const None&) const = default;
        };
        struct Close {
            bool operator==(const Close&) const = default;
        };

        std::variant<None, Open, Close> value;

        static Action open(DisplayID display) { return {Open{display}}; }
        static Action none() { return {None{}}; }
        static Action close() { return {Close{}}; }

        bool operator==(const Action&) const = default;
    };

    struct Closing {
        DisplayID target = 0;
        double remaining = 0;
        bool operator==(const Closing&) const = default;
    };

    // One pointer sample. `hot`: the display whose hot zone holds the pointer; `dwell`: that display's
    // dwell; `insideOpen`: the pointer is inside the open or closing drawer's hover rectangle;
    // `closeDuration` 0 means the drawer vanishes at once.
    struct Sample {
        double now = 0;
        std::optional<DisplayID> hot;
        double dwell = 0;
        bool insideOpen = false;
        double closeDuration = 0;
        bool operator==(const Sample&) const = default;
    };

    explicit HoverMachine(double grace) : m_grace(grace) {}

    const Phase& phase() const { return m_phase; }
    double grace() const { return m_grace; }

    Action pointer(const Sample& sample);
    Action hotkey(DisplayID target);
    Action click(DisplayID target);
    Action clickOutside();
    void reset() { m_phase = {}; }

    std::optional<DisplayID> openTarget() const;
    // The next moment a sample could change the state although the pointer did not move.
    std::optional<double> deadline() const;
    std::optional<Closing> closing(double now) const;

    bool operator==(const HoverMachine&) const = default;

private:
    static bool reached(double now, double deadline) { return now >= deadline - tolerance; }
    Action fromClosed(const Sample& sample);
    Action fromDwelling(Phase::Dwelling dwelling, const Sample& sample);

    Phase m_phase;
    double m_grace;
};

}  // namespace brimly
