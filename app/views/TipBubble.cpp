#include "app/views/TipBubble.h"

#include <QPainter>
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
    const QFontMetricsF& metrics = tip.font == "small" ? m_look.small : m_look.body;
    double width = metrics.horizontalAdvance(text(tip.title));
    if (tip.detail) width = std::max(width, m_look.small.horizontalAdvance(text(*tip.detail)));
    double lines = tip.detail ? 2 : 1;
    Size size{std::ceil(width) + 2 * padX, lines * lineHeight + 2 * padY};
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
    const QFontMetricsF& metrics = small ? m_look.small : m_look.body;
    QRectF line(frame.left() + padX, frame.top() + padY, frame.width() - 2 * padX, lineHeight);
    painter.setFont(small ? m_look.smallFont : m_look.bodyFont);
    painter.setPen(ViewLook::text());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(tip.title), Qt::ElideRight, line.width()));
    if (!tip.detail) return;
    painter.setFont(m_look.smallFont);
    painter.setPen(ViewLook::secondaryText());
    painter.drawText(line.translated(0, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     m_look.small.elidedText(text(*tip.detail), Qt::ElideRight, line.width()));
}

}  // namespace brimly
