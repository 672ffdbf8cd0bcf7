#pragma once

#include <map>
#include <optional>
#include <set>

#include "core/base/Geometry.h"
#include "core/config/DisplayStyle.h"
#include "core/drawer/DisplayID.h"
#include "core/drawer/DisplayLayout.h"

namespace brimly {

// The values the hover detector feeds the hover machine, computed from the preferences, the layouts and
// the accessibility settings, so that the window-system side only samples and forwards.
struct HoverInputs {
    // Seconds the pointer may stay outside an open drawer; not scaled by the motion scale.
    static constexpr double grace = 0.2;
    // The one-shot timer fires this long after the deadline so that the sample lands past it.
    static constexpr double timerSlack = 0.001;

    // Seconds to rest on a hot zone: the preference as is on a real notch, a little longer on the virtual
    // notch and on pills, whose hot zones are easier to brush past.
    static double dwell(const DisplayStyle& style, int hoverDwellMs);
    // Hovering opens drawers only while it is enabled and quiet mode is off.
    static bool hoverOpening(bool hoverEnabled, bool quietMode) { return hoverEnabled && !quietMode; }
    // What the close animation's length depends on; `openStyle` is absent when the open display has no
    // layout.
    struct CloseContext {
        bool hoverOpening = false;
        bool drawerOpen = false;
        std::optional<DisplayStyle> openStyle;
        bool reduceMotion = false;
        double motionScale = 1;
        bool operator==(const CloseContext&) const = default;
    };
    // `hotPresent`: the sample has a hot display.
    struct FeedContext {
        bool hoverOpening = false;
        bool hotPresent = false;
        bool drawerOpen = false;
        bool operator==(const FeedContext&) const = default;
    };

    // Length of the close animation to track.
    static double closeDuration(const CloseContext& context);
    // With hover opening off, samples on a hot zone are withheld while nothing is open, so no dwell starts.
    static bool feedsMachine(const FeedContext& context) {
        return context.hoverOpening || !context.hotPresent || context.drawerOpen;
    }
    // The first display, in table order, whose hot zone holds the pointer; fading panels are skipped and
    // nothing is hot while a style change is leaving. `trailing` gives each display's counter width.
    static std::optional<DisplayID> hot(Point pointer, const std::map<DisplayID, DisplayLayout>& layouts,
                                        const std::map<DisplayID, double>& trailing,
                                        const std::set<DisplayID>& fading, bool styleLeaving);
    // Seconds until the timer for `deadline` fires.
    static double timerDelay(double deadline, double now);
};

}  // namespace brimly
