#include "app/views/ShelfHeader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/qt/MenuRenderer.h"
#include "app/shelf/ShelfModel.h"
#include "app/views/ViewLook.h"

namespace brimly {

namespace {
const char* buttonStyle =
    "QToolButton { color: rgb(236,236,240); background: transparent; border: none; border-radius: 4px;"
    " padding: 2px 8px; }"
    "QToolButton:hover, QToolButton:pressed, QToolButton:checked { background: rgba(255,255,255,36); }"
    "QToolButton::menu-indicator { image: none; width: 0; }";
}  // namespace

ShelfHeader::ShelfHeader(ShelfModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setStyleSheet(buttonStyle);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(ViewLook::grid / 2));
    m_project = makeButton(Menu::project);
    m_filter = makeButton(Menu::filter);
    m_main = makeButton(Menu::main);
    m_projectMenu = m_project->menu();
    m_filterMenu = m_filter->menu();
    m_mainMenu = m_main->menu();
    m_main->setText(QStringLiteral("\u22ef"));
    m_main->setAccessibleName(QString::fromUtf8(ShelfModel::menuAccessibilityLabel.data(),
                                                qsizetype(ShelfModel::menuAccessibilityLabel.size())));
    m_count = new QLabel(this);
    m_count->setStyleSheet(
        "QLabel { color: white; background: #4C8DFF; border-radius: 4px; padding: 1px 6px; }");
    row->addWidget(m_project);
    row->addWidget(m_filter);
    row->addStretch(1);
    row->addWidget(m_count);
    row->addWidget(m_main);
    refresh();
}

QToolButton* ShelfHeader::makeButton(Menu which) {
    auto* button = new QToolButton(this);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setFocusPolicy(Qt::NoFocus);
    auto* menu = new QMenu(button);
    // Menus are built as they open, so they show the shelf of that moment.
    QObject::connect(menu, &QMenu::aboutToShow, this, [this, which, menu] {
        switch (which) {
            case Menu::project:
                renderMenu(*menu, m_model.projectMenu());
                break;
            case Menu::filter:
                renderMenu(*menu, m_model.filterMenu());
                break;
            case Menu::main:
                renderMenu(*menu, m_model.headerMenu());
                break;
        }
        m_model.setMenuOpen(true);
    });
    QObject::connect(menu, &QMenu::aboutToHide, this, [this] { m_model.setMenuOpen(false); });
    button->setMenu(menu);
    return button;
}

void ShelfHeader::refresh() {
    m_project->setText(QString::fromStdString(m_model.projectLabel()) + QStringLiteral(" \u25be"));
    auto label = m_model.filterLabel();
    m_filter->setText(label ? QString::fromStdString(*label) + QStringLiteral(" \u25be")
                            : QStringLiteral("Filter \u25be"));
    std::size_t unread = m_model.unreadCount();
    m_count->setText(QStringLiteral("%1 new").arg(unread));
    m_count->setVisible(unread > 0);
}

QToolButton& ShelfHeader::button(Menu which) const {
    switch (which) {
        case Menu::project:
            return *m_project;
        case Menu::filter:
            return *m_filter;
        case Menu::main:
            break;
    }
    return *m_main;
}

QMenu& ShelfHeader::menu(Menu which) const {
    switch (which) {
        case Menu::project:
            return *m_projectMenu;
        case Menu::filter:
            return *m_filterMenu;
        case Menu::main:
            break;
    }
    return *m_mainMenu;
}

}  // namespace brimly
