#pragma once

#include <cstdint>
#include <variant>

#include "core/config/DisplayStyleChoice.h"

namespace brimly {

// Sequences a change of display style: the old style animates out, then the new one arrives. Every
// transition bumps `generation`, which the caller hands back with `leaveEnded` so stale callbacks are
// ignored.
struct StyleChange {
    struct Action {
        struct Leave {
            std::int64_t generation = 0;
            bool operator==(const Leave&) const = default;
        };
        struct Apply {
            DisplayStyleChoice choice;
            bool arrive = false;
            std::int64_t generation = 0;
            bool operator==(const Apply&) const = default;
        };
        struct None {
            bool operator==(const None&) const = default;
        };

        std::variant<None, Leave, Apply> value;

        static Action leave(std::int64_t generation) { return {Leave{generation}}; }
        static Action apply(DisplayStyleChoice choice, bool arrive, std::int64_t generation) {
            return {Apply{choice, arrive, generation}};
        }
        static Action none() { return {None{}}; }

        bool operator==(const Action&) const = default;
    };

    DisplayStyleChoice applied;
    DisplayStyleChoice target;
    bool isLeaving = false;
    std::int64_t generation = 0;

    static StyleChange make(DisplayStyleChoice choice) { return {choice, choice, false, 0}; }

    // `showsAtRest`: the current style has something on screen while the drawer is closed, so it must
    // leave before the new one arrives.
    struct Request {
        DisplayStyleChoice choice;
        bool showsAtRest = false;
        bool animate = false;
        bool operator==(const Request&) const = default;
    };

    Action request(const Request& request);
    Action leaveEnded(std::int64_t leaveGeneration);
    Action settle();
    // Arrival pulses play only when neither quiet mode nor reduced motion is on.
    static bool pulses(bool quiet, bool reduceMotion) { return !quiet && !reduceMotion; }

    bool operator==(const StyleChange&) const = default;
};

}  // namespace brimly
