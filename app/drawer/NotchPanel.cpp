#include "app/drawer/NotchPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/shelf/ShelfModel.h"
#include "core/drawer/DisplayLayout.h"

namespace brimly {

NotchPanel::NotchPanel(const ShelfModel& model) : m_model(model) {
    // Unmanaged (override-redirect): window managers keep a focused full-screen window above every window
    // they manage, docks included, and the drawer must show above it too.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle("Brimly");
}

double NotchPanel::cornerRadius(const Rect& drawer) { return std::clamp(drawer.height / 2.5, 6.0, 22.0); }

void NotchPanel::setDrawer(const Rect& drawer, double reveal, DisplayStylePosition edge) {
    if (drawer == m_drawer && reveal == m_reveal && edge == m_edge) return;
    m_drawer = drawer;
    m_reveal = reveal;
    m_edge = edge;
    update();
}

QPainterPath NotchPanel::outline(const QRectF& area, DisplayStylePosition edge) {
    // Flush with the screen edge the drawer hangs from, rounded on the far side: a notch hangs from the top,
    // a pill rises from its side.
    double radius = cornerRadius({area.x(), area.y(), area.width(), area.height()});
    bool roundTop = edge != DisplayStylePosition::top;
    bool roundBottom = edge != DisplayStylePosition::bottom;
    bool roundLeft = edge != DisplayStylePosition::left;
    bool roundRight = edge != DisplayStylePosition::right;
    auto corner = [&](bool vertical, bool horizontal) { return vertical && horizontal ? radius : 0.0; };
    double topLeft = corner(roundTop, roundLeft);
    double topRight = corner(roundTop, roundRight);
    double bottomRight = corner(roundBottom, roundRight);
    double bottomLeft = corner(roundBottom, roundLeft);
    QPainterPath path;
    path.moveTo(area.left() + topLeft, area.top());
    path.lineTo(area.right() - topRight, area.top());
    path.quadTo(area.topRight(), QPointF(area.right(), area.top() + topRight));
    path.lineTo(area.right(), area.bottom() - bottomRight);
    path.quadTo(area.bottomRight(), QPointF(area.right() - bottomRight, area.bottom()));
    path.lineTo(area.left() + bottomLeft, area.bottom());
    path.quadTo(area.bottomLeft(), QPointF(area.left(), area.bottom() - bottomLeft));
    path.lineTo(area.left(), area.top() + topLeft);
    path.quadTo(area.topLeft(), QPointF(area.left() + topLeft, area.top()));
    path.closeSubpath();
    return path;
}

void NotchPanel::setCount(int count) {
    if (count == m_count) return;
    m_count = count;
    update();
}

void NotchPanel::setGlow(const QImage& image, const QRectF& placement, double level) {
    if (level == m_glowLevel && placement == m_glowPlacement && image.cacheKey() == m_glow.cacheKey()) return;
    m_glow = image;
    m_glowPlacement = placement;
    m_glowLevel = level;
    update();
}

void NotchPanel::paintEvent(QPaintEvent*) {
    RecentTimes::Scope timed(m_paintTimes);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF area(m_drawer.x, m_drawer.y, m_drawer.width, m_drawer.height);
    if (area.isEmpty()) return;
    if (m_glowLevel > 0 && !m_glow.isNull()) {
        painter.setOpacity(std::min(1.0, m_glowLevel));
        painter.drawImage(m_glowPlacement, m_glow);
        painter.setOpacity(1);
    }
    QPainterPath shape = outline(area, m_edge);
    painter.fillPath(shape, QColor(12, 12, 14, 242));
    if (m_count > 0 && m_reveal == 0) {
        QFont font = painter.font();
        font.setPixelSize(12);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(10, 132, 255));
        QRectF counter(area.right() - DisplayLayout::counterWidth(m_count), area.top(),
                       DisplayLayout::counterWidth(m_count), area.height());
        painter.drawText(counter, Qt::AlignCenter, m_count > 99 ? QString("99+") : QString::number(m_count));
    }
    if (m_reveal > 0.05) {
        painter.setOpacity(std::min(1.0, m_reveal));
        painter.setClipPath(shape);
        paintShelf(painter, area.adjusted(20, 14, -20, -14));
    }
}

void NotchPanel::paintShelf(QPainter& painter, const QRectF& area) {
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    QFontMetricsF metrics(font);
    double line = metrics.height() + 4;
    double y = area.top();
    auto text = [&](const std::string& value, const QColor& color, double indent) {
        if (y + line > area.bottom()) return false;
        painter.setPen(color);
        QString elided =
            metrics.elidedText(QString::fromStdString(value), Qt::ElideMiddle, area.width() - indent);
        painter.drawText(QPointF(area.left() + indent, y + metrics.ascent()), elided);
        y += line;
        return true;
    };
    const auto& groups = m_model.groups();
    std::size_t shown = m_model.visibleSnapshot().items.size();
    std::string header = shown == 1 ? "1 item" : std::to_string(shown) + " items";
    if (m_model.unreadCount() > 0) header += " · " + std::to_string(m_model.unreadCount()) + " new";
    if (!text(header, QColor(160, 160, 170), 0)) return;
    if (groups.empty()) {
        if (auto empty = m_model.emptyShelf()) text(empty->text, QColor(200, 200, 210), 0);
        return;
    }
    for (const auto& group : groups) {
        std::string title = group.session.name().value_or(group.session.folder());
        if (!text(title, QColor(235, 235, 240), 0)) return;
        for (const auto& item : group.items()) {
            bool isNew = m_model.dotIDs().contains(item.id) || m_model.unreadIDs().contains(item.id);
            if (!text((isNew ? "● " : "   ") + item.title, QColor(200, 200, 210), 12)) return;
        }
    }
}

void NotchPanel::keyPressEvent(QKeyEvent* event) {
    if (m_onKey && m_onKey(event->key())) {
        event->accept();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void NotchPanel::mousePressEvent(QMouseEvent* event) {
    QPointF at = event->position();
    if (QRectF(m_drawer.x, m_drawer.y, m_drawer.width, m_drawer.height).contains(at) && m_onPress)
        m_onPress();
    event->accept();
}

}  // namespace brimly
