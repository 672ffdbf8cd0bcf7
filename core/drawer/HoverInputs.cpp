#include "core/drawer/HoverInputs.h"

#include <algorithm>

#include "core/base/Overloaded.h"

namespace brimly {

double HoverInputs::dwell(const DisplayStyle& style, int hoverDwellMs) {
    double m = hoverDwellMs / 1000.0;
    return std::visit(Overloaded{
                          [m](const DisplayStyle::Notch&) { return m; },
                          [m](const DisplayStyle::HoverNotch&) { return std::max(0.2, m + 0.08); },
                          [m](const DisplayStyle::Pill&) { return std::max(0.35, m + 0.15); },
                      },
                      style.value);
}

double HoverInputs::closeDuration(const CloseContext& context) {
    if (!context.hoverOpening || !context.drawerOpen) return 0;
    double seconds = 0.32;
    if (context.reduceMotion) {
        seconds = 0.2;
    } else if (context.openStyle && !context.openStyle->isNotch()) {
        seconds = 0.45;
    }
    return seconds * context.motionScale;
}

std::optional<DisplayID> HoverInputs::hot(Point pointer, const std::map<DisplayID, DisplayLayout>& layouts,
                                          const std::map<DisplayID, double>& trailing,
                                          const std::set<DisplayID>& fading, bool styleLeaving) {
    if (styleLeaving) return std::nullopt;
    for (const auto& [display, layout] : layouts) {
        if (fading.contains(display)) continue;
        auto width = trailing.find(display);
        if (layout.hotZone(width == trailing.end() ? 0 : width->second).contains(pointer)) return display;
    }
    return std::nullopt;
}

double HoverInputs::timerDelay(double deadline, double now) {
    return std::max(0.0, deadline - now) + timerSlack;
}

}  // namespace brimly
