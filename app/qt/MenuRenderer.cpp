#include "app/qt/MenuRenderer.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>

namespace brimly {

namespace {
QString text(const std::string& value) { return QString::fromStdString(value); }
}  // namespace

void renderMenu(QMenu& menu, const std::vector<MenuItem>& items) {
    menu.clear();
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::separator:
                menu.addSeparator();
                break;
            case MenuItem::Kind::submenu: {
                QMenu* submenu = menu.addMenu(text(item.title));
                submenu->setEnabled(item.enabled);
                renderMenu(*submenu, item.submenu);
                break;
            }
            case MenuItem::Kind::action: {
                // A tab separates the title from what Qt right-aligns: the secondary text (a count).
                QString title = text(item.title);
                if (item.secondary) title += "\t" + text(*item.secondary);
                QAction* action = menu.addAction(title);
                action->setEnabled(item.enabled);
                if (item.checked) {
                    action->setCheckable(true);
                    action->setChecked(true);
                }
                if (item.shortcut) action->setShortcut(QKeySequence(text(*item.shortcut)));
                // The action's data is copied, so the menu keeps working after the items are gone.
                QObject::connect(action, &QAction::triggered, &menu, [choose = item] { choose.choose(); });
                break;
            }
        }
    }
}

}  // namespace brimly
