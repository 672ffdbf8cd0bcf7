#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brimly {

// One entry of a menu the shelf offers, as data: a view renders it and calls `action` when it is chosen.
// The model builds menus afresh each time one opens, so a menu always reflects the shelf at that moment.
struct MenuItem {
    enum class Kind { action, separator, submenu };

    Kind kind = Kind::action;
    std::string title;
    // Shown beside the title in a quieter style (a chip's count).
    std::optional<std::string> secondary;
    // The key that chooses it while the menu's window has focus, in the desktop's spelling ("Ctrl+,").
    std::optional<std::string> shortcut;
    bool checked = false;
    bool enabled = true;
    std::function<void()> action;
    std::vector<MenuItem> submenu;

    static MenuItem separator() { return MenuItem{.kind = Kind::separator}; }
    // Runs the action when the item is enabled and has one.
    void choose() const {
        if (enabled && action) action();
    }
};

}  // namespace brimly
