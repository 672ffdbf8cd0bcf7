#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <variant>
#include <vector>

#include "core/base/Geometry.h"
#include "core/drawer/DisplayID.h"

namespace brimly {

// Decides which display the user works on, from the on-screen windows, the frontmost application and the
// user's clicks on a desktop. Pure values; the window-system watcher gathers the inputs on the main thread.
struct ActiveDisplay {
    struct Window {
        std::int32_t pid = 0;
        int layer = 0;
        double alpha = 0;
        Rect bounds;
        bool operator==(const Window&) const = default;
    };

    struct Hit {
        struct Desktop {
            DisplayID display = 0;
            bool operator==(const Desktop&) const = default;
        };
        struct OnWindow {
            bool operator==(const OnWindow&) const = default;
        };
        struct Other {
            bool operator==(const Other&) const = default;
        };

        std::variant<Other, OnWindow, Desktop> value;

        static Hit desktop(DisplayID display) { return {Desktop{display}}; }
        static Hit window() { return {OnWindow{}}; }
        static Hit other() { return {Other{}}; }

        bool operator==(const Hit&) const = default;
    };

    using Displays = std::map<DisplayID, Rect>;

    // Follows the answer over time; a click on a desktop pins that display while the application that was
    // in front at the click (or the file manager) stays frontmost.
    struct Tracker {
        struct Pin {
            DisplayID display = 0;
            std::set<std::int32_t> pids;
            bool operator==(const Pin&) const = default;
        };

        std::optional<DisplayID> active;
        std::optional<Pin> pin;

        void click(const Hit& hit, std::optional<std::int32_t> frontPID,
                   std::optional<std::int32_t> finderPID);
        // True when `active` changed.
        bool update(const std::vector<Window>& windows, std::optional<std::int32_t> frontPID,
                    std::optional<std::int32_t> finderPID, const Displays& displays);

        bool operator==(const Tracker&) const = default;
    };

    // Windows are front to back; a transparent window lets the point through.
    static Hit hit(Point point, const std::vector<Window>& windows, const Displays& displays);
    // The display holding most of the frontmost application's first sizeable window, else `previous`.
    static std::optional<DisplayID> pick(const std::vector<Window>& windows,
                                         std::optional<std::int32_t> frontPID, const Displays& displays,
                                         std::optional<DisplayID> previous);
    // Where to show the drawer: it does not jump away from `current` while in use.
    static std::optional<DisplayID> shown(std::optional<DisplayID> active, std::optional<DisplayID> current,
                                          bool busy, const std::set<DisplayID>& displays,
                                          std::optional<DisplayID> fallback);
};

}  // namespace brimly
