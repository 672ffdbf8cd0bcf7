#pragma once

#include <functional>
#include <vector>

#include "app/shelf/MenuItem.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// The context menu of one card as menu data, built afresh each time it opens: opening and copying first,
// comparing when the item kept earlier versions, then the removals.
namespace ItemMenu {

using Action = std::function<void(const ShelfItem&)>;
struct Actions {
    Action open;
    Action showInFiles;
    Action copy;
    Action copyPath;
    Action compare;
    Action hide;
    Action remove;
};

std::vector<MenuItem> build(const ShelfItem& item, const Actions& actions);

}  // namespace ItemMenu
}  // namespace brimly
