#include "app/shell/TrayIcon.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "app/qt/MenuRenderer.h"

namespace brimly {

namespace {
// A shelf drawn as a rounded tray with a notch; a blue dot in its corner while something is unread. Drawn
// rather than shipped, so that it stays sharp at every size a tray asks for.
QIcon makeIcon(bool unread) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        double unit = size / 16.0;
        QPainterPath shelf;
        shelf.addRoundedRect(QRectF(1.5 * unit, 4 * unit, 13 * unit, 8 * unit), 2 * unit, 2 * unit);
        QPainterPath notch;
        notch.addRoundedRect(QRectF(5 * unit, 3 * unit, 6 * unit, 3.5 * unit), 1.2 * unit, 1.2 * unit);
        painter.setPen(QPen(QColor(230, 230, 230), 1.4 * unit));
        painter.setBrush(QColor(40, 40, 44));
        painter.drawPath(shelf.subtracted(notch));
        if (unread) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(10, 132, 255));
            painter.drawEllipse(QPointF(12.5 * unit, 12 * unit), 3 * unit, 3 * unit);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
}  // namespace

TrayIcon::TrayIcon(MenuSource menu)
    : m_menuSource(std::move(menu)),
      m_menu(std::make_unique<QMenu>()),
      m_icon(std::make_unique<QSystemTrayIcon>()) {
    m_icon->setIcon(makeIcon(false));
    m_icon->setToolTip("Brimly");
    m_icon->setContextMenu(m_menu.get());
    QObject::connect(m_menu.get(), &QMenu::aboutToShow, this,
                     [this] { renderMenu(*m_menu, m_menuSource()); });
    // Desktops that open the menu only on a right click still give a left click: it opens the same menu.
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason why) {
                         if (why == QSystemTrayIcon::Trigger) m_menu->popup(QCursor::pos());
                     });
    // Filled once now as well, for trays that read the menu without opening it.
    renderMenu(*m_menu, m_menuSource());
}

TrayIcon::~TrayIcon() {
    m_icon->hide();
    m_icon->setContextMenu(nullptr);
}

void TrayIcon::setVisible(bool visible) { m_icon->setVisible(visible); }
bool TrayIcon::isVisible() const { return m_icon->isVisible(); }
bool TrayIcon::isAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::setUnread(bool unread) {
    if (unread == m_unread) return;
    m_unread = unread;
    m_icon->setIcon(makeIcon(unread));
}

bool TrayIcon::notify(const std::string& title, const std::string& text) {
    if (!m_icon->isVisible() || !isAvailable()) return false;
    m_icon->showMessage(QString::fromStdString(title), QString::fromStdString(text),
                        QSystemTrayIcon::Warning);
    return true;
}

}  // namespace brimly
