#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

namespace brimly {

// The edge of a display a drawer grows from.
enum class DisplayStylePosition { left, top, right, bottom };

inline constexpr DisplayStylePosition allDisplayStylePositions[] = {
    DisplayStylePosition::left, DisplayStylePosition::top, DisplayStylePosition::right,
    DisplayStylePosition::bottom};

std::string_view rawValue(DisplayStylePosition position);
std::optional<DisplayStylePosition> parseDisplayStylePosition(std::string_view raw);
// The integer form older settings used: left 0, top 1, right 2, bottom 3.
int intValue(DisplayStylePosition position);
bool isSide(DisplayStylePosition position);

// The screen edge a pill docks to.
enum class PillSide { left, bottom, right };

inline constexpr PillSide allPillSides[] = {PillSide::left, PillSide::bottom, PillSide::right};

std::string_view rawValue(PillSide side);
std::optional<PillSide> parsePillSide(std::string_view raw);
DisplayStylePosition position(PillSide side);

// An edge a dock-like element may occupy; only the three edges a pill can take are named.
enum class DockSide { left, bottom, right };

inline constexpr DockSide allDockSides[] = {DockSide::left, DockSide::bottom, DockSide::right};

std::string_view rawValue(DockSide side);
std::optional<DockSide> parseDockSide(std::string_view raw);

// The drawer style one display actually shows: the user's choice resolved against whether the display has
// a camera notch (a notch choice on a display without one becomes the hovering virtual notch).
struct DisplayStyle {
    struct Pill {
        PillSide side = PillSide::bottom;
        bool operator==(const Pill&) const = default;
    };
    struct Notch {
        bool operator==(const Notch&) const = default;
    };
    struct HoverNotch {
        bool operator==(const HoverNotch&) const = default;
    };

    std::variant<Notch, HoverNotch, Pill> value;

    static DisplayStyle pill(PillSide side) { return {Pill{side}}; }
    static DisplayStyle notch() { return {Notch{}}; }
    static DisplayStyle hoverNotch() { return {HoverNotch{}}; }

    DisplayStylePosition position() const;
    bool isPill() const { return std::holds_alternative<Pill>(value); }
    bool isNotch() const { return std::holds_alternative<Notch>(value); }
    bool isHoverNotch() const { return std::holds_alternative<HoverNotch>(value); }
    // Notch or hover notch: the drawer hangs from the top edge.
    bool isTopStyle() const { return !isPill(); }
    // The pill's side, absent for the notch styles.
    std::optional<PillSide> pillSide() const;

    // One-byte form: pill left 0, pill bottom 1, pill right 2, notch 3, hover notch 4.
    std::uint8_t byteValue() const;
    static std::optional<DisplayStyle> fromByte(std::uint8_t byte);

    bool operator==(const DisplayStyle&) const = default;
};

}  // namespace brimly
