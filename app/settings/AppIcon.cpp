#include "app/settings/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brimly::AppIcon {

namespace {

const QColor accent(0x2f, 0x6f, 0xeb);

QPixmap badge(int size, QChar letter) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x6b, 0x72, 0x80));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(size * 6 / 10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
    return pixmap;
}

QPixmap shelf(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    double unit = size / 16.0;
    QPainterPath body;
    body.addRoundedRect(QRectF(unit, unit, 14 * unit, 14 * unit), 3 * unit, 3 * unit);
    painter.fillPath(body, QColor(0x1f, 0x23, 0x2b));
    // The drawer hanging from the top edge, with three items on it.
    QPainterPath drawer;
    drawer.addRoundedRect(QRectF(3 * unit, unit, 10 * unit, 6 * unit), 1.5 * unit, 1.5 * unit);
    painter.fillPath(drawer, accent);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int n = 0; n < 3; ++n) painter.drawRect(QRectF((4 + 3 * n) * unit, 3 * unit, 2 * unit, 2.5 * unit));
    return pixmap;
}

}  // namespace

QIcon icon() {
    QIcon fallback;
    for (int size : {16, 32, 64, 128}) fallback.addPixmap(shelf(size));
    return QIcon::fromTheme("brimly", fallback);
}

QIcon themed(const QString& name, QChar letter) {
    QIcon fallback;
    for (int size : {16, 24, 32}) fallback.addPixmap(badge(size, letter));
    return QIcon::fromTheme(name, fallback);
}

}  // namespace brimly::AppIcon
