#pragma once

#include <QPoint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/items/Trash.h"
#include "app/shelf/MenuItem.h"
#include "app/shelf/ShelfModel.h"
#include "core/config/Preferences.h"
#include "core/store/ShelfItem.h"

class QWidget;

namespace brimly {

class CompareViewer;
class OriginalsTrash;
class PreviewWindow;

// What the drawer's cards can do with their item: open the preview, show the context menu, drag the item
// out. Owns the preview and compare windows and keeps the model told whether either shows; the compare
// window follows the model's compared item. Main thread; it must go before the model.
class ItemCommands {
public:
    struct Options {
        // The store's support folder: the copies in its "items" folder are never sent to the Trash.
        std::string supportDir;
        // The current preferences, read when an item is deleted.
        std::function<Preferences()> preferences;
        // Empty: the user's home Trash.
        std::string homeTrash;
        // Where "Open" and the other desktop actions go; empty ones use the desktop's.
        std::function<void(const ShelfItem&)> open;
        std::function<void(const ShelfItem&)> showInFiles;
    };

    ItemCommands(ShelfModel& model, Options options);
    ~ItemCommands();
    ItemCommands(const ItemCommands&) = delete;
    ItemCommands& operator=(const ItemCommands&) = delete;

    void open(const ShelfItem& item);
    void contextMenu(const ShelfItem& item, QPoint globalPos);
    void dragOut(const ShelfItem& item, QWidget* source);

    std::vector<MenuItem> menu(const ShelfItem& item);
    // Closes the preview and the compare window: the model counts both as the preview that Escape in the
    // drawer and the drawer's closing put away.
    void closePreview();

    PreviewWindow& preview();
    CompareViewer& compareViewer();

private:
    void remove(const ShelfItem& item);
    void modelChanged(ShelfModel::Change change);
    void syncCompare();
    void updateBusy();

    ShelfModel& m_model;
    Options m_options;
    std::unique_ptr<OriginalsTrash> m_originals;
    std::unique_ptr<PreviewWindow> m_preview;
    std::unique_ptr<CompareViewer> m_compare;
    // The model keeps its observers for its whole life; this tells them whether the commands still exist.
    std::shared_ptr<ItemCommands*> m_alive;
};

}  // namespace brimly
