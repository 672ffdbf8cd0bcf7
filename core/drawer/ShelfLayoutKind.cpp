#include "core/drawer/ShelfLayoutKind.h"

namespace brimly {

std::string_view rawValue(ShelfLayoutKind kind) {
    switch (kind) {
        case ShelfLayoutKind::rail:
            return "rail";
        case ShelfLayoutKind::stacks:
            return "stacks";
        case ShelfLayoutKind::column:
            return "column";
        case ShelfLayoutKind::sideStacks:
            return "sideStacks";
    }
    return "rail";
}

std::optional<ShelfLayoutKind> parseShelfLayoutKind(std::string_view raw) {
    for (auto kind : allShelfLayoutKinds) {
        if (rawValue(kind) == raw) return kind;
    }
    return std::nullopt;
}

int columns(ShelfLayoutKind kind) {
    switch (kind) {
        case ShelfLayoutKind::rail:
            return 3;
        case ShelfLayoutKind::stacks:
            return 0;
        case ShelfLayoutKind::column:
            return 2;
        case ShelfLayoutKind::sideStacks:
            return 1;
    }
    return 0;
}

ShelfLayoutKind resolveShelfLayoutKind(const DisplayStyle& style, LayoutChoice chosen) {
    bool stacks = chosen == LayoutChoice::stacks;
    if (isSide(style.position())) return stacks ? ShelfLayoutKind::sideStacks : ShelfLayoutKind::column;
    return stacks ? ShelfLayoutKind::stacks : ShelfLayoutKind::rail;
}

}  // namespace brimly
