#include "app/views/ShelfHeader.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>
#include <algorithm>

#include "app/qt/MenuRenderer.h"
#include "app/shelf/ShelfModel.h"
#include "app/views/ViewLook.h"

namespace brimly {

namespace {
const char* buttonStyle =
    "QToolButton { color: rgb(236,236,240); background: transparent; border: none; border-radius: 4px;"
    " padding: 2px 6px; }"
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
    m_filter->setIconSize(QSize(14, 14));
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
    button->installEventFilter(this);
    return button;
}

void ShelfHeader::refresh() {
    m_projectText = QString::fromStdString(m_model.projectLabel());
    auto label = m_model.filterLabel();
    m_filterText = label ? QString::fromStdString(*label) : QStringLiteral("Filter");
    m_filterActive = label.has_value();
    std::size_t unread = m_model.unreadCount();
    m_count->setText(QStringLiteral("%1 new").arg(unread));
    m_countWanted = unread > 0;
    fitLabels();
}

void ShelfHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitLabels();
}

// A side panel is narrower than the two labels and the count. Rather than let the layout clip the buttons,
// the count gives way first (the cards keep their unread dots), then the filter folds to a funnel (in the
// accent while a filter is on), then the project label is shortened; the tool tips keep the whole labels.
void ShelfHeader::fitLabels() {
    static const QString arrow = QStringLiteral(" \u25be");
    QFontMetrics metrics(m_project->font());
    auto labelWidth = [&](const QString& text) { return metrics.horizontalAdvance(text + arrow); };
    // What a button adds around its text: the style sheet's padding and the frame.
    m_project->setText(arrow);
    int chrome = m_project->sizeHint().width() - labelWidth(QString());
    int spacing = layout()->spacing();
    int room = width() - m_main->sizeHint().width() - spacing * 3 - 2 * chrome;
    int bothWhole = labelWidth(m_filterText) + labelWidth(m_projectText);
    int countWidth = m_count->sizeHint().width() + spacing;
    m_count->setVisible(m_countWanted && room - countWidth >= bothWhole);
    if (m_count->isVisibleTo(this)) room -= countWidth;

    bool folded = room < bothWhole;
    m_filter->setToolButtonStyle(folded ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    m_filter->setIcon(folded ? funnel(m_filterActive ? ViewLook::accent() : ViewLook::text()) : QIcon());
    m_filter->setText(m_filterText + arrow);
    int projectRoom = folded ? room + chrome - m_filter->sizeHint().width() : room - labelWidth(m_filterText);
    bool whole = labelWidth(m_projectText) <= projectRoom;
    // The arrow stays: it says the button opens a menu.
    m_project->setText(
        whole ? m_projectText + arrow
              : metrics.elidedText(m_projectText, Qt::ElideRight, projectRoom - labelWidth({})) + arrow);
    m_projectCut = !whole;
    // Now, not at the next event loop pass: the header is painted right after a resize.
    layout()->activate();
}

std::optional<ShelfTip> ShelfHeader::tip(const QObject* button) const {
    if (button == m_project && m_projectCut)
        return ShelfTip{.title = m_projectText.toStdString(), .font = "body"};
    if (button == m_filter && m_filter->toolButtonStyle() == Qt::ToolButtonIconOnly)
        return ShelfTip{.title = m_filterText.toStdString(), .font = "body"};
    if (button == m_main)
        return ShelfTip{.title = std::string(ShelfModel::menuAccessibilityLabel), .font = "body"};
    return std::nullopt;
}

// The drawer's own tips rather than the platform's: they follow the tip centre's timing and look.
bool ShelfHeader::eventFilter(QObject* watched, QEvent* event) {
    if (!m_onTip) return false;
    auto* button = qobject_cast<QToolButton*>(watched);
    switch (event->type()) {
        case QEvent::Enter:
            if (auto shown = tip(watched)) {
                m_onTip(TipBubble::Anchor{*shown, QRectF(button->geometry().translated(pos())), true});
            } else {
                m_onTip(std::nullopt);
            }
            break;
        case QEvent::Leave:
            m_onTip(std::nullopt);
            break;
        case QEvent::MouseButtonPress:
            m_model.tips().clicked(tip(watched));
            break;
        default:
            break;
    }
    return false;
}

QIcon ShelfHeader::funnel(const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(4, 6);
    path.lineTo(28, 6);
    path.lineTo(18.5, 17);
    path.lineTo(18.5, 27);
    path.lineTo(13.5, 24);
    path.lineTo(13.5, 17);
    path.closeSubpath();
    painter.fillPath(path, colour);
    return QIcon(pixmap);
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
