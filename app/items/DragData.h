#pragma once

#include <QUrl>
#include <optional>
#include <string>

#include "core/store/ShelfItem.h"

class QMimeData;
class QWidget;

namespace brimly {

class ShelfModel;

// What a card hands to other programs when it is dragged out or copied: the store's copy as a file URL (or
// an artifact's remote address), the picture itself for images, and for drags the path as text so that a
// terminal or an editor takes it too. Main thread.
namespace DragData {

// The address handed out: the store's copy, else the remote address; nothing for an item with neither.
std::optional<QUrl> itemUrl(const ShelfItem& item);
// The local file behind `itemUrl`, when there is one.
std::optional<std::string> itemFile(const ShelfItem& item);

// Owned by the caller.
QMimeData* dragData(const ShelfItem& item);
QMimeData* clipboardData(const ShelfItem& item);

// Runs the drag from `source` until it ends; the model counts it as busy meanwhile, so the drawer does not
// cool down under the pointer.
void startDrag(ShelfModel& model, const ShelfItem& item, QWidget* source);

}  // namespace DragData
}  // namespace brimly
