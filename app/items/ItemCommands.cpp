#include "app/items/ItemCommands.h"

#include <QMenu>

#include "app/items/CompareViewer.h"
#include "app/items/DragData.h"
#include "app/items/ItemMenu.h"
#include "app/items/ItemOpener.h"
#include "app/items/OriginalsTrash.h"
#include "app/items/PreviewWindow.h"
#include "app/qt/MenuRenderer.h"
#include "core/base/Clock.h"
#include "core/platform/FileSystem.h"

namespace brimly {

ItemCommands::ItemCommands(ShelfModel& model, Options options)
    : m_model(model), m_options(std::move(options)), m_alive(std::make_shared<ItemCommands*>(this)) {
    if (!m_options.open) m_options.open = ItemOpener::open;
    if (!m_options.showInFiles) m_options.showInFiles = ItemOpener::showInFiles;
    std::string homeTrash =
        m_options.homeTrash.empty() ? Trash::homeTrashPath(Env::process()) : m_options.homeTrash;
    m_originals = std::make_unique<OriginalsTrash>(
        m_model, Trash({.homeTrash = homeTrash, .uid = FileSystem::userID()}),
        FileSystem::join(m_options.supportDir, "items"), [] { return SystemClock::shared().now(); });

    m_preview = std::make_unique<PreviewWindow>(PreviewWindow::Callbacks{
        .open = m_options.open,
        .showInFiles = m_options.showInFiles,
        .showingChanged = [this](bool) { updateBusy(); },
    });
    m_compare = std::make_unique<CompareViewer>(CompareViewer::Callbacks{
        .closed = [this] { m_model.closeCompare(); },
    });
    std::weak_ptr<ItemCommands*> alive = m_alive;
    m_model.observe([alive](ShelfModel::Change change) {
        if (auto commands = alive.lock()) (*commands)->modelChanged(change);
    });
}

ItemCommands::~ItemCommands() {
    m_alive.reset();
    // A window destroyed while showing still reports through updateBusy, which skips windows already gone;
    // the model hears the final state here.
    m_preview.reset();
    m_compare.reset();
    m_model.setPreviewShowing(false);
}

void ItemCommands::open(const ShelfItem& item) { m_preview->showItem(item); }

void ItemCommands::contextMenu(const ShelfItem& item, QPoint globalPos) {
    QMenu menu;
    renderMenu(menu, this->menu(item));
    // An open menu keeps the drawer open under it.
    m_model.setMenuOpen(true);
    menu.exec(globalPos);
    m_model.setMenuOpen(false);
}

void ItemCommands::dragOut(const ShelfItem& item, QWidget* source) {
    DragData::startDrag(m_model, item, source);
}

std::vector<MenuItem> ItemCommands::menu(const ShelfItem& item) {
    return ItemMenu::build(item,
                           ItemMenu::Actions{
                               .open = m_options.open,
                               .showInFiles = m_options.showInFiles,
                               .copy = ItemOpener::copy,
                               .copyPath = ItemOpener::copyPath,
                               .compare = [this](const ShelfItem& chosen) { m_model.openCompare(chosen); },
                               .hide = [this](const ShelfItem& chosen) { m_model.hide(chosen); },
                               .remove = [this](const ShelfItem& chosen) { remove(chosen); },
                           });
}

void ItemCommands::remove(const ShelfItem& item) {
    if (m_options.preferences && m_options.preferences().deleteOriginals) m_originals->expect(item);
    m_model.remove({item});
}

void ItemCommands::closePreview() {
    m_preview->hide();
    m_model.closeCompare();
}

PreviewWindow& ItemCommands::preview() { return *m_preview; }

CompareViewer& ItemCommands::compareViewer() { return *m_compare; }

void ItemCommands::modelChanged(ShelfModel::Change change) {
    switch (change) {
        case ShelfModel::Change::pendingUndo:
            m_originals->pendingChanged();
            break;
        case ShelfModel::Change::compare:
        case ShelfModel::Change::groups:
            syncCompare();
            break;
        default:
            break;
    }
}

void ItemCommands::syncCompare() {
    const auto& compared = m_model.compared();
    const ShelfItem* item = nullptr;
    if (compared) {
        for (const auto& candidate : m_model.visibleSnapshot().items) {
            if (candidate.id == compared->id) item = &candidate;
        }
    }
    if (item == nullptr) {
        if (m_compare->isVisible()) m_compare->hide();
    } else if (!m_compare->isVisible()) {
        m_compare->showItem(*item);
    } else {
        m_compare->updateItem(*item);
    }
    updateBusy();
}

void ItemCommands::updateBusy() {
    m_model.setPreviewShowing((m_preview && m_preview->isVisible()) || (m_compare && m_compare->isVisible()));
}

}  // namespace brimly
