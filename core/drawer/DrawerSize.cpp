#include "core/drawer/DrawerSize.h"

#include <algorithm>
#include <cmath>

namespace brimly {

namespace {
constexpr double margin = 24;
constexpr double peekGap = 10;

double positiveOrZero(double value) { return value > 0 ? value : 0; }
}  // namespace

Size DrawerSize::expanded(ShelfLayoutKind kind, const Rect& screen, const std::optional<Rect>& visible) {
    double maxW = screen.width - 2 * margin;
    double maxH = screen.height - 2 * margin;
    if (visible) maxH = std::min(maxH, visible->height - 2 * peekGap - messageRoom);
    Size ideal;
    switch (kind) {
        case ShelfLayoutKind::rail:
            ideal = {720, 320};
            break;
        case ShelfLayoutKind::stacks:
            ideal = {880, 176};
            break;
        case ShelfLayoutKind::column:
            ideal = {480, std::clamp(screen.height * 0.72, 360.0, 720.0)};
            break;
        case ShelfLayoutKind::sideStacks:
            ideal = {sideStacksWidth, 880};
            break;
    }
    return {positiveOrZero(std::min(maxW, ideal.width)), positiveOrZero(std::min(maxH, ideal.height))};
}

Size DrawerSize::panel(const DisplayStyle& style, const Rect& screen, const std::optional<Rect>& visible) {
    bool side = isSide(style.position());
    const ShelfLayoutKind sideKinds[] = {ShelfLayoutKind::column, ShelfLayoutKind::sideStacks};
    const ShelfLayoutKind topKinds[] = {ShelfLayoutKind::rail, ShelfLayoutKind::stacks};
    std::optional<Rect> counted = style.isPill() ? visible : std::nullopt;
    Size result{0, 0};
    for (auto kind : side ? sideKinds : topKinds) {
        Size size = expanded(kind, screen, counted);
        result.width = std::max(result.width, size.width);
        result.height = std::max(result.height, size.height);
    }
    result.height += messageRoom;
    return result;
}

Size DrawerSize::fillingCard(double column, double behind) {
    double width = column - behind;
    // std::round rounds halves away from zero.
    return {width, std::round(0.75 * width)};
}

}  // namespace brimly
