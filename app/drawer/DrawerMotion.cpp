#include "app/drawer/DrawerMotion.h"

#include <cmath>
#include <numbers>

namespace brimly {

namespace {
constexpr double settled = 0.001;
}

DrawerMotion::Curve DrawerMotion::open(const DisplayStyle* style, bool reduceMotion) {
    if (reduceMotion) return {.response = 0.2, .easeOut = true};
    if (style && (style->isPill() || style->isHoverNotch())) return {.response = 0.42};
    return {.response = 0.45};
}

DrawerMotion::Curve DrawerMotion::close(const DisplayStyle* style, bool reduceMotion) {
    if (reduceMotion) return {.response = 0.2, .easeOut = true};
    if (style && (style->isPill() || style->isHoverNotch())) return {.response = 0.45};
    return {.response = 0.32};
}

double DrawerMotion::progress(const Curve& curve, double elapsed, double scale) {
    double t = elapsed / std::max(scale, 0.05);
    if (!(t > 0)) return 0;
    if (curve.easeOut) {
        double x = std::min(t / curve.response, 1.0);
        return 1 - (1 - x) * (1 - x) * (1 - x);
    }
    // A critically damped spring (damping 1) settles without overshoot; lighter damping would ring.
    double omega = 2 * std::numbers::pi / curve.response;
    if (curve.damping >= 1) return 1 - (1 + omega * t) * std::exp(-omega * t);
    double decay = curve.damping * omega;
    double ringing = omega * std::sqrt(1 - curve.damping * curve.damping);
    return 1 - std::exp(-decay * t) * (std::cos(ringing * t) + decay / ringing * std::sin(ringing * t));
}

double DrawerMotion::duration(const Curve& curve, double scale) {
    if (curve.easeOut) return curve.response * scale;
    // (1 + x) e^-x falls below `settled` just before x = 9.24 for the critically damped spring.
    double omega = 2 * std::numbers::pi / curve.response;
    double x = 9.24;
    if (curve.damping < 1) x = -std::log(settled) / curve.damping;
    return x / omega * scale;
}

}  // namespace brimly
