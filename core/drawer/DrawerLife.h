#pragma once

#include <optional>
#include <set>
#include <variant>

#include "core/drawer/DisplayID.h"

namespace brimly {

// Keeps the drawer's views built ("warm") for `keep` seconds after the drawer closes so that reopening is
// instant, and says when they may be torn down. Used by the shelf model on the main thread.
class DrawerLife {
public:
    struct Check {
        struct Wait {
            double until = 0;
            bool operator==(const Wait&) const = default;
        };
        struct Idle {
            bool operator==(const Idle&) const = default;
        };
        struct Cool {
            bool operator==(const Cool&) const = default;
        };

        std::variant<Idle, Wait, Cool> value;

        static Check wait(double until) { return {Wait{until}}; }
        static Check idle() { return {Idle{}}; }
        static Check cool() { return {Cool{}}; }

        bool operator==(const Check&) const = default;
    };

    explicit DrawerLife(double keep) : m_keep(keep) {}

    double keep() const { return m_keep; }
    const std::set<DisplayID>& displays() const { return m_displays; }
    const std::optional<double>& coolAt() const { return m_coolAt; }
    bool built() const { return !m_displays.empty(); }

    // True when `display` was not built before (the caller republishes the displays to build).
    bool warm(double now, bool open, DisplayID display);
    void closed(double now);
    // While `busy` (drag, menu, preview, compare) the tear-down is postponed by a full keep.
    Check check(double now, bool busy);

    bool operator==(const DrawerLife&) const = default;

private:
    double m_keep;
    std::set<DisplayID> m_displays;
    std::optional<double> m_coolAt;
};

}  // namespace brimly
