#pragma once

#include <functional>
#include <map>
#include <string>

#include "app/items/Trash.h"
#include "core/base/Date.h"
#include "core/store/ShelfItem.h"

namespace brimly {

class ShelfModel;

// Moves the originals of deleted items to the Trash, but only once their deletion is committed: while the
// undo toast shows, the user may still take the deletion back, and the original must then still be where it
// was. The store's own copies are never touched. Main thread, beside the shelf model.
class OriginalsTrash {
public:
    using Now = std::function<Date()>;

    // `itemsFolder` holds the store's copies.
    OriginalsTrash(const ShelfModel& model, Trash trash, std::string itemsFolder, Now now);

    // The item's deletion is about to be held; its original follows it once that is committed.
    void expect(const ShelfItem& item);
    // The model's pending removal changed: committed deletions send their originals to the Trash, undone
    // ones are forgotten.
    void pendingChanged();
    bool isWaiting() const { return !m_waiting.empty(); }

private:
    void moveOriginal(const std::string& path) const;

    const ShelfModel& m_model;
    Trash m_trash;
    std::string m_itemsFolder;
    Now m_now;
    std::map<std::string, std::string> m_waiting;
};

}  // namespace brimly
