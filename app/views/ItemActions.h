#pragma once

#include <QPoint>
#include <functional>

#include "core/store/ShelfItem.h"

class QWidget;

namespace brimly {

// What the drawer's cards do with an item beyond the shelf model: open it (the preview), offer its context
// menu, drag it out. Supplied by the item layer; a callback left empty does nothing.
struct ItemActions {
    std::function<void(const ShelfItem&)> open;
    std::function<void(const ShelfItem&, QPoint globalPos)> contextMenu;
    std::function<void(const ShelfItem&, QWidget* source)> dragOut;
};

}  // namespace brimly
