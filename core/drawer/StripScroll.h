#pragma once

#include <optional>
#include <variant>

#include "core/drawer/ScrollSettle.h"

namespace brimly {

// The sideways scrolling of the drawer's strip of cards: wheel steps, trackpad touches and momentum,
// drags and releases, with rubber-banding past the ends and spring settles back. Answers each input with
// the `Move` the view performs. Main thread only.
struct StripScroll {
    struct Input {
        struct Line {
            double delta = 0;
            bool operator==(const Line&) const = default;
        };
        struct Reveal {
            double delta = 0;
            bool operator==(const Reveal&) const = default;
        };
        struct Touch {
            double delta = 0;
            bool operator==(const Touch&) const = default;
        };
        struct Momentum {
            double delta = 0;
            double at = 0;
            bool operator==(const Momentum&) const = default;
        };
        struct Lifted {
            bool operator==(const Lifted&) const = default;
        };
        struct MomentumEnded {
            bool operator==(const MomentumEnded&) const = default;
        };
        struct Press {
            bool operator==(const Press&) const = default;
        };

        std::variant<Line, Reveal, Touch, Momentum, Lifted, MomentumEnded, Press> value;

        bool operator==(const Input&) const = default;
    };

    struct Move {
        struct Jump {
            double offset = 0;
            bool operator==(const Jump&) const = default;
        };
        struct Glide {
            double offset = 0;
            bool operator==(const Glide&) const = default;
        };
        struct Settle {
            ScrollSettle settle;
            bool operator==(const Settle&) const = default;
        };
        struct None {
            bool operator==(const None&) const = default;
        };

        std::variant<None, Jump, Glide, Settle> value;

        static Move jump(double offset) { return {Jump{offset}}; }
        static Move glide(double offset) { return {Glide{offset}}; }
        static Move settleTo(ScrollSettle settle) { return {Settle{settle}}; }
        static Move none() { return {None{}}; }

        bool operator==(const Move&) const = default;
    };

    struct Limits {
        double maxOffset = 0;
        double dimension = 0;
        double coefficient = 0;
        double settleDuration = 0;
    };

    double offset = 0;
    std::optional<ScrollSettle> settle;
    std::optional<double> raw;
    bool momentumSpent = false;
    std::optional<double> lastMomentum;

    double shown(double now) const;
    Move handle(const Input& input, double now, const Limits& limits);
    // The end of a drag: settle towards `target` (clamped) with the drag's velocity.
    Move release(double target, double velocity, double now, const Limits& limits);
    Move drag(double to, const Limits& limits);
    // The content length changed: pull an offset that is now out of range back in.
    Move refit(const Limits& limits);

    bool operator==(const StripScroll&) const = default;

private:
    bool settling(double now) const { return settle && !settle->isOver(now); }
    void stopSettle(double now);
    Move settleBack(double now, const Limits& limits);
    Move settleTowards(double end, double velocity, double now, const Limits& limits);
};

}  // namespace brimly
