#include "app/shell/StatusMenu.h"

namespace brimly {

std::string StatusMenu::showShelfTitle(std::size_t unread) {
    return unread >= 1 ? "Show Shelf (" + std::to_string(unread) + " new)" : "Show Shelf";
}

std::vector<MenuItem> StatusMenu::build(const Inputs& inputs, const Actions& actions) {
    std::vector<MenuItem> items;
    if (inputs.updateVersion) {
        items.push_back(
            {.title = "Update to Brimly " + *inputs.updateVersion + "…", .action = actions.showUpdate});
        items.push_back(MenuItem::separator());
    }
    items.push_back({.title = showShelfTitle(inputs.unread), .action = actions.toggleShelf});
    items.push_back(MenuItem::separator());
    items.push_back({.title = "Settings…", .shortcut = "Ctrl+,", .action = actions.openSettings});
    items.push_back({.title = "Check for Updates…", .action = actions.checkForUpdates});
    if (inputs.hasFeedbackAddress)
        items.push_back({.title = "Send Feedback…", .action = actions.sendFeedback});
    // The application menu's "About Brimly" has no menu bar to live in on Linux.
    items.push_back({.title = "About Brimly", .action = actions.about});
    if (inputs.hasWelcome) items.push_back({.title = "Welcome to Brimly…", .action = actions.welcome});
    items.push_back(MenuItem::separator());
    items.push_back({.title = "Quit Brimly", .shortcut = "Ctrl+Q", .action = actions.quit});
    return items;
}

}  // namespace brimly
