#include "app/items/ItemMenu.h"

#include "app/items/DragData.h"
#include "app/items/ItemOpener.h"

namespace brimly {

std::vector<MenuItem> ItemMenu::build(const ShelfItem& item, const Actions& actions) {
    auto entry = [&](std::string title, const Action& action, bool enabled = true) {
        MenuItem result{.title = std::move(title), .enabled = enabled && static_cast<bool>(action)};
        if (action) result.action = [action, item] { action(item); };
        return result;
    };
    bool hasAddress = DragData::itemUrl(item).has_value();
    bool hasFile = ItemOpener::shownFile(item).has_value();

    std::vector<MenuItem> items{
        entry("Open", actions.open, hasAddress),
        entry("Show in Files", actions.showInFiles, hasFile),
        entry("Copy", actions.copy, hasAddress),
        entry("Copy Path", actions.copyPath, hasAddress),
    };
    if (!item.versions.empty()) {
        items.push_back(MenuItem::separator());
        items.push_back(entry("Compare Versions", actions.compare));
    }
    items.push_back(MenuItem::separator());
    items.push_back(entry("Hide", actions.hide));
    items.push_back(entry("Delete", actions.remove));
    return items;
}

}  // namespace brimly
