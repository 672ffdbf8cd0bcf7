#include "core/config/DisplayStyle.h"

#include "core/base/Overloaded.h"

namespace brimly {

std::string_view rawValue(DisplayStylePosition position) {
    switch (position) {
        case DisplayStylePosition::left:
            return "left";
        case DisplayStylePosition::top:
            return "top";
        case DisplayStylePosition::right:
            return "right";
        case DisplayStylePosition::bottom:
            return "bottom";
    }
    return "top";
}

std::optional<DisplayStylePosition> parseDisplayStylePosition(std::string_view raw) {
    for (auto position : allDisplayStylePositions) {
        if (rawValue(position) == raw) return position;
    }
    return std::nullopt;
}

int intValue(DisplayStylePosition position) {
    switch (position) {
        case DisplayStylePosition::left:
            return 0;
        case DisplayStylePosition::top:
            return 1;
        case DisplayStylePosition::right:
            return 2;
        case DisplayStylePosition::bottom:
            return 3;
    }
    return 1;
}

bool isSide(DisplayStylePosition position) {
    return position == DisplayStylePosition::left || position == DisplayStylePosition::right;
}

std::string_view rawValue(PillSide side) {
    switch (side) {
        case PillSide::left:
            return "left";
        case PillSide::bottom:
            return "bottom";
        case PillSide::right:
            return "right";
    }
    return "bottom";
}

std::optional<PillSide> parsePillSide(std::string_view raw) {
    for (auto side : allPillSides) {
        if (rawValue(side) == raw) return side;
    }
    return std::nullopt;
}

DisplayStylePosition position(PillSide side) {
    switch (side) {
        case PillSide::left:
            return DisplayStylePosition::left;
        case PillSide::bottom:
            return DisplayStylePosition::bottom;
        case PillSide::right:
            return DisplayStylePosition::right;
    }
    return DisplayStylePosition::bottom;
}

std::string_view rawValue(DockSide side) {
    switch (side) {
        case DockSide::left:
            return "left";
        case DockSide::bottom:
            return "bottom";
        case DockSide::right:
            return "right";
    }
    return "bottom";
}

std::optional<DockSide> parseDockSide(std::string_view raw) {
    for (auto side : allDockSides) {
        if (rawValue(side) == raw) return side;
    }
    return std::nullopt;
}

DisplayStylePosition DisplayStyle::position() const {
    return std::visit(Overloaded{
                          [](const Pill& pill) { return brimly::position(pill.side); },
                          [](const Notch&) { return DisplayStylePosition::top; },
                          [](const HoverNotch&) { return DisplayStylePosition::top; },
                      },
                      value);
}

std::optional<PillSide> DisplayStyle::pillSide() const {
    if (const auto* pill = std::get_if<Pill>(&value)) return pill->side;
    return std::nullopt;
}

std::uint8_t DisplayStyle::byteValue() const {
    return std::visit(Overloaded{
                          [](const Pill& pill) -> std::uint8_t {
                              switch (pill.side) {
                                  case PillSide::left:
                                      return 0;
                                  case PillSide::bottom:
                                      return 1;
                                  case PillSide::right:
                                      return 2;
                              }
                              return 1;
                          },
                          [](const Notch&) -> std::uint8_t { return 3; },
                          [](const HoverNotch&) -> std::uint8_t { return 4; },
                      },
                      value);
}

std::optional<DisplayStyle> DisplayStyle::fromByte(std::uint8_t byte) {
    switch (byte) {
        case 0:
            return pill(PillSide::left);
        case 1:
            return pill(PillSide::bottom);
        case 2:
            return pill(PillSide::right);
        case 3:
            return notch();
        case 4:
            return hoverNotch();
        default:
            return std::nullopt;
    }
}

}  // namespace brimly
