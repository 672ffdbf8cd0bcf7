#include "core/drawer/StripScroll.h"

#include <algorithm>

#include "core/base/Overloaded.h"

namespace brimly {

namespace {

// Content shorter than the visible part has nowhere to scroll: its range is 0...0, not an inverted one.
double upper(const StripScroll::Limits& limits) { return std::max(limits.maxOffset, 0.0); }

double clampOffset(double x, const StripScroll::Limits& limits) {
    return std::min(upper(limits), std::max(x, 0.0));
}

bool outOfBounds(double x, const StripScroll::Limits& limits) { return x < 0 || x > upper(limits); }

}  // namespace

double StripScroll::shown(double now) const {
    if (settling(now)) return settle->position(now);
    return offset;
}

void StripScroll::stopSettle(double now) {
    if (settling(now)) offset = settle->position(now);
    settle.reset();
}

StripScroll::Move StripScroll::settleTowards(double end, double velocity, double now, const Limits& limits) {
    if (end == offset) {
        settle.reset();
        return Move::none();
    }
    settle = ScrollSettle{offset, end, velocity, now, limits.settleDuration};
    offset = end;
    return Move::settleTo(*settle);
}

StripScroll::Move StripScroll::settleBack(double now, const Limits& limits) {
    if (!outOfBounds(offset, limits)) return Move::none();
    momentumSpent = true;
    return settleTowards(clampOffset(offset, limits), 0, now, limits);
}

StripScroll::Move StripScroll::handle(const Input& input, double now, const Limits& limits) {
    return std::visit(
        Overloaded{
            [&](const Input::Line& line) {
                raw.reset();
                offset = clampOffset(shown(now) + line.delta, limits);
                settle.reset();
                return Move::jump(offset);
            },
            [&](const Input::Reveal& reveal) {
                raw.reset();
                offset = clampOffset(shown(now) + reveal.delta, limits);
                settle.reset();
                return Move::glide(offset);
            },
            [&](const Input::Touch& touch) {
                momentumSpent = false;
                if (!raw) {
                    stopSettle(now);
                    raw = RubberBand::unband(offset, upper(limits), limits.dimension, limits.coefficient);
                }
                *raw += touch.delta;
                offset = RubberBand::offset(*raw, upper(limits), limits.dimension, limits.coefficient);
                return Move::jump(offset);
            },
            [&](const Input::Momentum& momentum) {
                double dt = lastMomentum ? std::max(momentum.at - *lastMomentum, 1.0 / 240) : 1.0 / 60;
                lastMomentum = momentum.at;
                if (momentumSpent || settling(now)) return Move::none();
                settle.reset();
                double target = offset + momentum.delta;
                if (!outOfBounds(target, limits)) {
                    offset = target;
                    return Move::jump(target);
                }
                // The momentum would overshoot: glide into the end with its speed and ignore the rest.
                raw.reset();
                momentumSpent = true;
                return settleTowards(clampOffset(target, limits), momentum.delta / dt, now, limits);
            },
            [&](const Input::Lifted&) {
                raw.reset();
                return settleBack(now, limits);
            },
            [&](const Input::MomentumEnded&) {
                momentumSpent = false;
                lastMomentum.reset();
                return Move::none();
            },
            [&](const Input::Press&) {
                stopSettle(now);
                return settleBack(now, limits);
            },
        },
        input.value);
}

StripScroll::Move StripScroll::release(double target, double velocity, double now, const Limits& limits) {
    raw.reset();
    return settleTowards(clampOffset(target, limits), velocity, now, limits);
}

StripScroll::Move StripScroll::drag(double to, const Limits& limits) {
    raw.reset();
    settle.reset();
    offset = RubberBand::offset(to, upper(limits), limits.dimension, limits.coefficient);
    return Move::jump(offset);
}

StripScroll::Move StripScroll::refit(const Limits& limits) {
    double c = clampOffset(offset, limits);
    if (c == offset) return Move::none();
    offset = c;
    settle.reset();
    raw.reset();
    return Move::jump(c);
}

}  // namespace brimly
