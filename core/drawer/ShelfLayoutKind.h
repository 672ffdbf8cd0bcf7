#pragma once

#include <optional>
#include <string_view>

#include "core/config/DisplayStyle.h"
#include "core/config/Preferences.h"

namespace brimly {

// How the open drawer lays out its content: one session at a time beside a session rail (`rail`, and
// `column` on side pills) or all sessions in one strip (`stacks`, and `sideStacks` on side pills).
enum class ShelfLayoutKind { rail, stacks, column, sideStacks };

inline constexpr ShelfLayoutKind allShelfLayoutKinds[] = {
    ShelfLayoutKind::rail, ShelfLayoutKind::stacks, ShelfLayoutKind::column, ShelfLayoutKind::sideStacks};

std::string_view rawValue(ShelfLayoutKind kind);
std::optional<ShelfLayoutKind> parseShelfLayoutKind(std::string_view raw);
// Item columns of the layout's grid; 0 means one unbounded row.
int columns(ShelfLayoutKind kind);
// Side pills get the narrow layouts (`column`, `sideStacks`); the rest take the chosen layout as is.
ShelfLayoutKind resolveShelfLayoutKind(const DisplayStyle& style, LayoutChoice chosen);

}  // namespace brimly
