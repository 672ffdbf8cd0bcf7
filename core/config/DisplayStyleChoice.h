#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/config/DisplayStyle.h"

namespace brimly {

// The drawer style the user chooses once for every display: the notch, or a pill docked to one edge.
// Stored in the preferences by its raw value ("notch", "pill-left", "pill-bottom", "pill-right").
struct DisplayStyleChoice {
    struct Pill {
        PillSide side = PillSide::bottom;
        bool operator==(const Pill&) const = default;
    };
    struct Notch {
        bool operator==(const Notch&) const = default;
    };

    std::variant<Notch, Pill> value;

    static DisplayStyleChoice pill(PillSide side) { return {Pill{side}}; }
    static DisplayStyleChoice notch() { return {Notch{}}; }
    static DisplayStyleChoice defaultValue() { return notch(); }

    bool isPill() const { return std::holds_alternative<Pill>(value); }
    std::optional<PillSide> pillSide() const;

    std::string rawValue() const;
    // "notch" or "pill-" followed by a pill side; anything else (such as "pill-top") is no choice.
    static std::optional<DisplayStyleChoice> parse(std::string_view raw);

    // A notch choice on a display without a camera notch becomes the hovering virtual notch.
    DisplayStyle style(bool hasNotch) const;

    // Folds the per-display style strings of older preference files into one choice: the first pill-like
    // value in ascending order wins ("dock" and "pill-top" meant the bottom edge), else the notch.
    static DisplayStyleChoice migrate(std::vector<std::string> perDisplay);

    bool operator==(const DisplayStyleChoice&) const = default;
};

}  // namespace brimly
