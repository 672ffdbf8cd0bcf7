#include "app/views/ShelfPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

#include "app/views/RelativeTime.h"
#include "app/views/ThumbnailCache.h"
#include "core/shelf/ShelfFilter.h"

namespace brimly {

namespace {
QString text(const std::string& value) { return QString::fromStdString(value); }

void documentSheet(QPainter& painter, const QRectF& box, const QString& label, const QFont& font) {
    double fold = box.width() * 0.28;
    QPainterPath sheet;
    sheet.moveTo(box.left(), box.top());
    sheet.lineTo(box.right() - fold, box.top());
    sheet.lineTo(box.right(), box.top() + fold);
    sheet.lineTo(box.right(), box.bottom());
    sheet.lineTo(box.left(), box.bottom());
    sheet.closeSubpath();
    painter.drawPath(sheet);
    painter.drawLine(QPointF(box.right() - fold, box.top()), QPointF(box.right() - fold, box.top() + fold));
    painter.drawLine(QPointF(box.right() - fold, box.top() + fold), QPointF(box.right(), box.top() + fold));
    painter.setFont(font);
    painter.drawText(box.adjusted(0, fold, 0, 0), Qt::AlignCenter, label);
}
}  // namespace

std::string ShelfPainter::thumbKey(const ShelfItem& item) {
    return item.id + "#" + std::to_string(item.versionCount());
}

QString ShelfPainter::turnTitle(const Turn& turn) {
    if (turn.prompt) return text(Prompt::summarize(turn.prompt->text));
    if (auto subfolder = turn.subfolder()) return text(*subfolder);
    return turn.isFolderFiles() ? QStringLiteral("Files") : QStringLiteral("Earlier");
}

Date ShelfPainter::turnTime(const Turn& turn) {
    if (turn.prompt) return turn.prompt->at;
    return turn.items.empty() ? 0 : turn.items.front().createdAt;
}

void ShelfPainter::paintDeck(QPainter& painter, const ShelfLayout::Deck& deck, const Marks& marks,
                             ThumbnailCache& thumbs) const {
    paintHeader(painter, deck, marks);
    if (deck.folded) {
        if (!deck.turn) paintFoldedChip(painter, deck);
        return;
    }
    if (deck.piled) paintPileEdges(painter, deck);
    for (const auto& card : deck.cards) paintCard(painter, card, marks, thumbs, deck.group);
}

void ShelfPainter::paintHeader(QPainter& painter, const ShelfLayout::Deck& deck, const Marks& marks) const {
    QRectF area = deck.header;
    if (!deck.texts) deck.texts = headerTexts(deck, marks);
    painter.setFont(m_look.smallFont);
    painter.setPen(ViewLook::secondaryText());
    double baseline = area.top() + (area.height() + m_look.small.ascent() - m_look.small.descent()) / 2;
    painter.drawText(QPointF(area.left(), baseline), deck.texts->first);
    if (!deck.texts->second.isEmpty())
        painter.drawText(QPointF(area.right() - m_look.small.horizontalAdvance(deck.texts->second), baseline),
                         deck.texts->second);
}

ShelfLayout::Texts ShelfPainter::headerTexts(const ShelfLayout::Deck& deck, const Marks& marks) const {
    QString title;
    QString time;
    if (!deck.turn) {
        title = text(ShelfFilter::projectName(deck.group->session));
    } else {
        title = turnTitle(*deck.turn);
        time = text(relativeTime(turnTime(*deck.turn), marks.now, marks.zone));
        if (marks.strip) {
            // The first deck of a session carries its folder; a click there folds the session.
            if (deck.startsSession)
                title =
                    text(ShelfFilter::projectName(deck.group->session)) + QStringLiteral(" \u00b7 ") + title;
        } else if (deck.folded) {
            title = QStringLiteral("\u25b8 %1 (%2)").arg(title).arg(deck.turn->items.size());
        } else {
            title = QStringLiteral("\u25be ") + title;
        }
    }
    double timeWidth = time.isEmpty() ? 0 : m_look.small.horizontalAdvance(time) + ViewLook::grid;
    // The title keeps at least six grid steps; the time gives way first.
    if (deck.header.width() - timeWidth < 6 * ViewLook::grid) {
        timeWidth = 0;
        time.clear();
    }
    return {m_look.small.elidedText(title, Qt::ElideRight, deck.header.width() - timeWidth), time};
}

void ShelfPainter::paintPileEdges(QPainter& painter, const ShelfLayout::Deck& deck) const {
    if (deck.cards.empty() || !deck.turn) return;
    const QRectF& top = deck.cards.front().thumb;
    int behind = int(std::min<std::size_t>(deck.turn->items.size() - 1, 2));
    painter.setPen(Qt::NoPen);
    for (int i = behind; i >= 1; --i) {
        double step = 4 * i;
        QRectF edge(top.left() + step, top.top() + step, top.width(), top.height() - 2 * step);
        painter.setBrush(QColor(255, 255, 255, 40 - 12 * i));
        painter.drawRoundedRect(edge, ViewLook::cardRadius, ViewLook::cardRadius);
    }
}

void ShelfPainter::paintFoldedChip(QPainter& painter, const ShelfLayout::Deck& deck) const {
    QRectF chip(deck.frame.left(), deck.header.bottom() + 4, deck.frame.width(), 3 * ViewLook::grid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ViewLook::cardFill());
    painter.drawRoundedRect(chip, ViewLook::smallRadius, ViewLook::smallRadius);
    std::size_t count = 0;
    for (const Turn& turn : deck.group->turns) count += turn.items.size();
    painter.setPen(ViewLook::secondaryText());
    painter.setFont(m_look.smallFont);
    painter.drawText(chip, Qt::AlignCenter,
                     QStringLiteral("\u25b8 %1 %2").arg(count).arg(count == 1 ? "item" : "items"));
}

void ShelfPainter::paintCard(QPainter& painter, const ShelfLayout::Card& card, const Marks& marks,
                             ThumbnailCache& thumbs, const SessionGroup* group) const {
    const ShelfItem& item = *card.item;
    const QRectF& thumb = card.thumb;
    bool hovered = marks.hovered == item.id;
    bool selected = marks.selected == item.id;
    const QImage* image = thumbs.find(thumbKey(item));
    if (image) painter.drawImage(thumb.topLeft(), *image);
    if (!image || hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(!image ? (hovered ? ViewLook::cardHover() : ViewLook::glyphFill())
                                : QColor(255, 255, 255, 24));
        painter.drawRoundedRect(thumb, ViewLook::cardRadius, ViewLook::cardRadius);
    }
    if (!image) paintGlyph(painter, thumb, item.kind);
    if (selected) {
        painter.setPen(QPen(ViewLook::accent(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(thumb.adjusted(-1, -1, 1, 1), ViewLook::cardRadius + 1,
                                ViewLook::cardRadius + 1);
    }
    if (marks.dots && marks.dots->contains(item.id)) {
        painter.setPen(QPen(QColor(0, 0, 0, 140), 1.5));
        painter.setBrush(ViewLook::accent());
        painter.drawEllipse(QPointF(thumb.left() + 8, thumb.top() + 8), 4, 4);
    }
    if (item.versionCount() > 1) {
        QString count = QString::number(item.versionCount());
        painter.setFont(m_look.smallFont);
        double width = std::max(16.0, m_look.small.horizontalAdvance(count) + 8);
        QRectF badge(thumb.right() - width - 4, thumb.top() + 4, width, 16);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 170));
        painter.drawRoundedRect(badge, ViewLook::smallRadius * 2, ViewLook::smallRadius * 2);
        painter.setPen(ViewLook::text());
        painter.drawText(badge, Qt::AlignCenter, count);
    }
    if (!card.texts) {
        QString meta = text(relativeTime(item.createdAt, marks.now, marks.zone));
        if (marks.strip && group)
            meta = text(ShelfFilter::projectName(group->session)) + QStringLiteral(" \u00b7 ") + meta;
        card.texts = {m_look.body.elidedText(text(item.title), Qt::ElideMiddle, card.frame.width()),
                      m_look.small.elidedText(meta, Qt::ElideLeft, card.frame.width())};
    }
    double lineTop = thumb.bottom() + 4;
    painter.setFont(m_look.bodyFont);
    painter.setPen(ViewLook::text());
    painter.drawText(QPointF(card.frame.left(), lineTop + m_look.body.ascent()), card.texts->first);
    painter.setFont(m_look.smallFont);
    painter.setPen(ViewLook::secondaryText());
    painter.drawText(QPointF(card.frame.left(), lineTop + 16 + m_look.small.ascent()), card.texts->second);
}

void ShelfPainter::paintRailRow(QPainter& painter, const ShelfLayout::RailRow& row, bool selected,
                                const Marks& marks) const {
    QRectF area = row.frame.adjusted(0, 2, -ViewLook::grid, -2);
    if (selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x4C, 0x8D, 0xFF, 60));
        painter.drawRoundedRect(area, ViewLook::cardRadius, ViewLook::cardRadius);
    }
    const Session& session = row.group->session;
    bool unread = false;
    if (marks.dots) {
        for (const Turn& turn : row.group->turns) {
            unread = unread || std::any_of(turn.items.begin(), turn.items.end(), [&](const ShelfItem& item) {
                         return marks.dots->contains(item.id);
                     });
        }
    }
    double left = area.left() + ViewLook::grid + (unread ? ViewLook::grid : 0);
    double width = area.right() - left - ViewLook::grid;
    if (unread) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ViewLook::accent());
        painter.drawEllipse(QPointF(area.left() + ViewLook::grid + 2, area.top() + 12), 3, 3);
    }
    painter.setFont(m_look.bodyFont);
    painter.setPen(ViewLook::text());
    painter.drawText(
        QPointF(left, area.top() + 4 + m_look.body.ascent()),
        m_look.body.elidedText(text(session.name().value_or(session.folder())), Qt::ElideRight, width));
    Session::RowDetail detail = session.rowDetail(marks.now, marks.zone);
    QString line = detail.context ? text(*detail.context) + QStringLiteral(" \u00b7 ") + text(detail.time)
                                  : text(detail.time);
    painter.setFont(m_look.smallFont);
    painter.setPen(ViewLook::secondaryText());
    painter.drawText(QPointF(left, area.top() + 20 + m_look.small.ascent()),
                     m_look.small.elidedText(line, Qt::ElideLeft, width));
}

void ShelfPainter::paintGlyph(QPainter& painter, const QRectF& area, ShelfItemKind kind) {
    double side = std::min(area.width(), area.height()) * 0.5;
    QRectF box(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    painter.save();
    painter.setPen(QPen(ViewLook::secondaryText(), 1.5));
    painter.setBrush(Qt::NoBrush);
    QFont font = painter.font();
    font.setPixelSize(std::max(7, int(side / 4.5)));
    font.setBold(true);
    switch (kind) {
        case ShelfItemKind::pdf:
            documentSheet(painter, box.adjusted(side * 0.12, 0, -side * 0.12, 0), "PDF", font);
            break;
        case ShelfItemKind::document:
            documentSheet(painter, box.adjusted(side * 0.12, 0, -side * 0.12, 0), "DOC", font);
            break;
        case ShelfItemKind::image:
        case ShelfItemKind::file:
            documentSheet(painter, box.adjusted(side * 0.12, 0, -side * 0.12, 0), "", font);
            break;
        case ShelfItemKind::video: {
            painter.drawEllipse(box);
            QPainterPath play;
            QPointF c = box.center();
            play.moveTo(c.x() - side * 0.14, c.y() - side * 0.2);
            play.lineTo(c.x() + side * 0.22, c.y());
            play.lineTo(c.x() - side * 0.14, c.y() + side * 0.2);
            play.closeSubpath();
            painter.fillPath(play, ViewLook::secondaryText());
            break;
        }
        case ShelfItemKind::audio: {
            static constexpr std::array<double, 5> heights = {0.35, 0.7, 1.0, 0.55, 0.3};
            double step = side / 5;
            for (std::size_t i = 0; i < heights.size(); ++i) {
                double h = side * heights[i];
                double x = box.left() + step * (double(i) + 0.5);
                painter.drawLine(QPointF(x, box.center().y() - h / 2), QPointF(x, box.center().y() + h / 2));
            }
            break;
        }
        case ShelfItemKind::artifact: {
            QPainterPath spark;
            QPointF c = box.center();
            double r = side / 2;
            double w = side * 0.12;
            spark.moveTo(c.x(), c.y() - r);
            spark.quadTo(QPointF(c.x() + w, c.y() - w), QPointF(c.x() + r, c.y()));
            spark.quadTo(QPointF(c.x() + w, c.y() + w), QPointF(c.x(), c.y() + r));
            spark.quadTo(QPointF(c.x() - w, c.y() + w), QPointF(c.x() - r, c.y()));
            spark.quadTo(QPointF(c.x() - w, c.y() - w), QPointF(c.x(), c.y() - r));
            painter.drawPath(spark);
            break;
        }
        case ShelfItemKind::html: {
            painter.drawEllipse(box);
            painter.drawEllipse(box.adjusted(side * 0.28, 0, -side * 0.28, 0));
            painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
            break;
        }
    }
    painter.restore();
}

}  // namespace brimly
