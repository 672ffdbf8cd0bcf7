#include "app/drawer/NotchPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/views/ShelfView.h"
#include "app/views/ViewLook.h"
#include "core/drawer/DisplayLayout.h"

namespace brimly {

NotchPanel::NotchPanel(ShelfModel& model, DisplayID display, double motionScale)
    : m_view(new ShelfView(model, {.display = display, .motionScale = motionScale}, this)) {
    // Unmanaged (override-redirect): window managers keep a focused full-screen window above every window
    // they manage, docks included, and the drawer must show above it too.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle("Brimly");
    m_view->hide();
}

void NotchPanel::setLayoutKind(ShelfLayoutKind kind) { m_view->setLayoutKind(kind); }

void NotchPanel::setItemActions(ItemActions actions) { m_view->setActions(std::move(actions)); }

void NotchPanel::placeView() {
    QRectF area(m_drawer.x, m_drawer.y, m_drawer.width, m_drawer.height);
    if (m_reveal < 0.98 || area.isEmpty()) {
        m_view->hide();
        return;
    }
    // Clear of the outline's rounded corners at the far side, on the 8-point grid.
    double side = std::max(16.0, cornerRadius(m_drawer) * 0.75);
    QRect content = area.adjusted(side, 8, -side, -12).toRect();
    if (m_view->geometry() != content) m_view->setGeometry(content);
    m_view->show();
}

double NotchPanel::cornerRadius(const Rect& drawer) { return std::clamp(drawer.height / 2.5, 6.0, 22.0); }

void NotchPanel::setDrawer(const Rect& drawer, double reveal, DisplayStylePosition edge) {
    if (drawer == m_drawer && reveal == m_reveal && edge == m_edge) return;
    m_drawer = drawer;
    m_reveal = reveal;
    m_edge = edge;
    placeView();
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
        painter.setPen(ViewLook::accent());
        QRectF counter(area.right() - DisplayLayout::counterWidth(m_count), area.top(),
                       DisplayLayout::counterWidth(m_count), area.height());
        painter.drawText(counter, Qt::AlignCenter, m_count > 99 ? QString("99+") : QString::number(m_count));
    }
}

void NotchPanel::keyPressEvent(QKeyEvent* event) {
    if (m_view->isVisible() && m_view->handleKey(event->key(), event->modifiers())) {
        event->accept();
    } else if (m_onKey && m_onKey(event->key())) {
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
