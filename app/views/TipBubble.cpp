#include "app/views/TipBubble.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "app/views/ShelfPainter.h"
#include "core/shelf/TipPlacement.h"

namespace brimly {

namespace {
constexpr double lineHeight = 16;
constexpr double padX = ViewLook::grid;
constexpr double padY = ViewLook::grid / 2;

QString text(const std::string& value) { return QString::fromStdString(value); }

// A tip wider than the panel wraps, between words where it can: file names often have no spaces.
QTextOption wrapping() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

QSizeF wrapped(const QFont& font, const std::string& value, double room) {
    QTextLayout layout(text(value), font);
    layout.setTextOption(wrapping());
    layout.beginLayout();
    double width = 0;
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        line.setPosition(QPointF(0, height));
        width = std::max(width, line.naturalTextWidth());
        height += line.height();
    }
    layout.endLayout();
    return {width, height};
}
}  // namespace

std::optional<TipBubble::Anchor> TipBubble::anchor(const ShelfLayout::Deck& deck,
                                                   const ShelfLayout::Card* card) const {
    if (card) {
        if (!card->texts || card->texts->first == text(card->item->title)) return std::nullopt;
        QRectF line(card->frame.left(), card->thumb.bottom() + 4, card->frame.width(), lineHeight);
        return Anchor{{.title = card->item->title, .font = "body"}, line};
    }
    if (!deck.turn || !deck.texts || !deck.texts->first.endsWith(QChar(0x2026))) return std::nullopt;
    return Anchor{{.title = ShelfPainter::turnTitle(*deck.turn).toStdString(), .font = "small"}, deck.header};
}

QRectF TipBubble::frame(const ShelfTip& tip, const QRectF& anchor, const QRectF& bounds) const {
    double room = std::max(0.0, bounds.width() - 2 * padX);
    QSizeF title = wrapped(tip.font == "small" ? m_look.smallFont : m_look.bodyFont, tip.title, room);
    QSizeF detail = tip.detail ? wrapped(m_look.smallFont, *tip.detail, room) : QSizeF();
    double width = std::max(title.width(), detail.width());
    Size size{std::ceil(width) + 2 * padX, std::ceil(title.height() + detail.height()) + 2 * padY};
    // The placement takes the anchor's text origin; with y growing downwards here, the `bottom` edge puts
    // the bubble above it, and the anchor as the area to avoid flips it below when the top is too tight.
    Rect placed = TipPlacement::frame(size, {anchor.left(), anchor.top() - padY}, TipPlacement::Edge::bottom,
                                      {0, 0}, {bounds.left(), bounds.top(), bounds.width(), bounds.height()},
                                      Rect{anchor.left(), anchor.top(), anchor.width(), anchor.height()});
    return {placed.x, placed.y, placed.width, placed.height};
}

void TipBubble::paint(QPainter& painter, const ShelfTip& tip, const QRectF& frame) const {
    painter.setPen(QPen(ViewLook::divider(), 1));
    painter.setBrush(ViewLook::raised());
    painter.drawRoundedRect(frame, ViewLook::smallRadius, ViewLook::smallRadius);
    bool small = tip.font == "small";
    QRectF area = frame.adjusted(padX, padY, -padX, -padY);
    double titleHeight =
        wrapped(small ? m_look.smallFont : m_look.bodyFont, tip.title, area.width()).height();
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setFont(small ? m_look.smallFont : m_look.bodyFont);
    painter.setPen(ViewLook::text());
    painter.drawText(area, text(tip.title), wrapping());
    if (tip.detail) {
        painter.setFont(m_look.smallFont);
        painter.setPen(ViewLook::secondaryText());
        painter.drawText(area.adjusted(0, titleHeight, 0, 0), text(*tip.detail), wrapping());
    }
    painter.restore();
}

}  // namespace brimly
