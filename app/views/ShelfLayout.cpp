#include "app/views/ShelfLayout.h"

#include <algorithm>
#include <cmath>

#include "app/views/ViewLook.h"
#include "core/drawer/DrawerSize.h"

namespace brimly {

namespace {
bool holds(const Turn& turn, const std::optional<std::string>& selected) {
    return selected && std::any_of(turn.items.begin(), turn.items.end(),
                                   [&](const ShelfItem& item) { return item.id == *selected; });
}
// A turn's deck, piled unless the fan (or a selection inside it) spreads it out; its cards come after.
ShelfLayout::Deck turnDeck(const ShelfLayout::Input& input, const SessionGroup& group, const Turn& turn,
                           bool startsSession) {
    bool piled = !input.fan->isFanned(turn.id, turn.items.size(), holds(turn, input.selectedItem));
    return {.id = turn.id, .group = &group, .turn = &turn, .piled = piled, .startsSession = startsSession};
}
}  // namespace

ShelfLayout ShelfLayout::build(const Input& input) {
    ShelfLayout layout;
    layout.kind = input.kind;
    if (!input.groups || !input.collapsed || !input.fan) return layout;
    switch (input.kind) {
        case ShelfLayoutKind::rail:
            layout.buildRail(input);
            break;
        case ShelfLayoutKind::column:
            layout.buildColumn(input);
            break;
        case ShelfLayoutKind::stacks:
            layout.buildStrip(input);
            break;
        case ShelfLayoutKind::sideStacks:
            layout.buildSideStacks(input);
            break;
    }
    return layout;
}

void ShelfLayout::buildStrip(const Input& input) {
    const Metrics& m = input.metrics;
    vertical = false;
    strip = true;
    // The thumbnail takes what the header and the two text lines leave, at the default card's proportions.
    double thumbHeight =
        std::clamp(input.size.height() - m.headerHeight - 8 - 2 * m.lineHeight, 40.0, 2 * m.thumbHeight);
    double card = std::round(thumbHeight * m.card / m.thumbHeight);
    thumbSize = QSize(int(card), int(thumbHeight));
    double top = m.headerHeight + 4;
    double x = 0;
    for (const SessionGroup& group : *input.groups) {
        if (&group != &input.groups->front()) {
            // Sessions stand apart by a wider gap, with a divider drawn in it.
            x += m.gap;
        }
        if (input.collapsed->contains(group.session.id)) {
            Deck chip{.id = group.session.id, .group = &group, .folded = true, .startsSession = true};
            chip.frame = QRectF(x, 0, card, input.size.height());
            chip.header = QRectF(x, 0, card, m.headerHeight);
            decks.push_back(std::move(chip));
            x += card + m.gap;
            continue;
        }
        bool first = true;
        for (const Turn& turn : group.turns) {
            std::size_t count = turn.items.size();
            Deck deck = turnDeck(input, group, turn, first);
            bool piled = deck.piled;
            first = false;
            std::size_t shown = piled ? 1 : count;
            double behind = piled ? m.pileStep * double(std::min<std::size_t>(count - 1, 2)) : 0;
            double width = double(shown) * card + double(shown - 1) * m.cardGap + behind;
            for (std::size_t i = 0; i < shown; ++i) {
                double left = x + double(i) * (card + m.cardGap);
                QRectF thumb(left, top, card, thumbHeight);
                deck.cards.push_back(
                    {&turn.items[i], QRectF(left, top, card, thumbHeight + 4 + 2 * m.lineHeight), thumb});
            }
            deck.header = QRectF(x, 0, width, m.headerHeight);
            deck.frame = QRectF(x, 0, width, input.size.height());
            decks.push_back(std::move(deck));
            x += width + m.gap;
        }
    }
    length = std::max(0.0, x - m.gap);
}

void ShelfLayout::buildSideStacks(const Input& input) {
    const Metrics& m = input.metrics;
    vertical = true;
    strip = true;
    double width = input.size.width();
    // Cards fill the narrow panel, leaving room on the right for the edges of a pile.
    double behind = 2 * m.pileStep;
    Size thumb = DrawerSize::fillingCard(width, behind);
    thumbSize = QSize(int(thumb.width), int(thumb.height));
    double cardHeight = thumb.height + 4 + 2 * m.lineHeight;
    double y = 0;
    for (const SessionGroup& group : *input.groups) {
        if (&group != &input.groups->front()) y += m.gap;
        if (input.collapsed->contains(group.session.id)) {
            Deck chip{.id = group.session.id, .group = &group, .folded = true, .startsSession = true};
            chip.header = QRectF(0, y, width, m.headerHeight);
            chip.frame = QRectF(0, y, width, m.headerHeight + 4 + 3 * ViewLook::grid);
            y = chip.frame.bottom() + m.gap;
            decks.push_back(std::move(chip));
            continue;
        }
        bool first = true;
        for (const Turn& turn : group.turns) {
            Deck deck = turnDeck(input, group, turn, first);
            first = false;
            std::size_t shown = deck.piled ? 1 : turn.items.size();
            double top = y + m.headerHeight + 4;
            for (std::size_t i = 0; i < shown; ++i) {
                double cardTop = top + double(i) * (cardHeight + m.cardGap);
                deck.cards.push_back({&turn.items[i], QRectF(0, cardTop, thumb.width, cardHeight),
                                      QRectF(0, cardTop, thumb.width, thumb.height)});
            }
            double bottom = deck.cards.empty() ? top : deck.cards.back().frame.bottom();
            deck.header = QRectF(0, y, width, m.headerHeight);
            deck.frame = QRectF(0, y, width, bottom - y);
            decks.push_back(std::move(deck));
            y = bottom + m.gap;
        }
    }
    length = std::max(0.0, y - m.gap);
}

void ShelfLayout::findShownSession(const Input& input) {
    for (const SessionGroup& group : *input.groups) {
        if (input.selectedSession && group.session.id == *input.selectedSession) shownSession = &group;
    }
    if (!shownSession && !input.groups->empty()) shownSession = &input.groups->front();
}

void ShelfLayout::buildRail(const Input& input) {
    const Metrics& m = input.metrics;
    vertical = true;
    findShownSession(input);
    if (!shownSession) return;
    RailSplit split{.content = input.size.width(),
                    .base = m.railBase,
                    .between = m.railBetween,
                    .columns = m.railColumns,
                    .columnGap = m.cardGap,
                    .thumb = m.railThumb};
    railWidth = split.width(m.railBase);
    double y = 0;
    for (const SessionGroup& group : *input.groups) {
        rail.push_back({&group, QRectF(0, y, railWidth, m.railRow)});
        y += m.railRow;
    }
    railLength = y;
    double left = railWidth + m.railBetween;
    double area = std::max(0.0, input.size.width() - left);
    length = std::max(0.0, placeTurns(input, *shownSession, left, area, split.columnCount(m.railBase), 0));
}

void ShelfLayout::buildColumn(const Input& input) {
    const Metrics& m = input.metrics;
    vertical = true;
    rowsScroll = true;
    findShownSession(input);
    double width = input.size.width();
    double y = 0;
    for (const SessionGroup& group : *input.groups) {
        rail.push_back({&group, QRectF(0, y, width, m.railRow)});
        length = rail.back().frame.bottom();
        y = length + m.cardGap;
        if (&group != shownSession || group.turns.empty()) continue;
        length = placeTurns(input, group, 0, width, std::max(1, columns(kind)), y);
        y = length + m.gap;
    }
}

double ShelfLayout::placeTurns(const Input& input, const SessionGroup& group, double left, double area,
                               int columnCount, double y) {
    const Metrics& m = input.metrics;
    double column = std::floor((area - double(columnCount - 1) * m.cardGap) / double(columnCount));
    Size thumb = DrawerSize::fillingCard(column, 0);
    thumbSize = QSize(int(thumb.width), int(thumb.height));
    double cardHeight = thumb.height + 4 + 2 * m.lineHeight;
    double end = y;
    for (const Turn& turn : group.turns) {
        bool folded = input.collapsed->contains(turn.id);
        Deck deck{.id = turn.id, .group = &group, .turn = &turn, .folded = folded};
        deck.header = QRectF(left, y, area, m.headerHeight + 4);
        double top = y + m.headerHeight + 8;
        if (!folded) {
            for (std::size_t i = 0; i < turn.items.size(); ++i) {
                double x = left + double(i % std::size_t(columnCount)) * (column + m.cardGap);
                double rowTop = top + double(i / std::size_t(columnCount)) * (cardHeight + m.cardGap);
                deck.cards.push_back({&turn.items[i], QRectF(x, rowTop, column, cardHeight),
                                      QRectF(x, rowTop, thumb.width, thumb.height)});
            }
        }
        end = deck.cards.empty() ? y + m.headerHeight + 4 : deck.cards.back().frame.bottom();
        deck.frame = QRectF(left, y, area, end - y);
        decks.push_back(std::move(deck));
        y = end + m.gap;
    }
    return end;
}

std::vector<StripWindow::Deck> ShelfLayout::windowDecks() const {
    std::vector<StripWindow::Deck> result;
    result.reserve(decks.size());
    for (const Deck& deck : decks) {
        StripWindow::Range span = vertical ? StripWindow::Range{deck.frame.top(), deck.frame.bottom()}
                                           : StripWindow::Range{deck.frame.left(), deck.frame.right()};
        // The spans are where the decks really are, folded ones included, so none is taken out again; only
        // the strip's fanned decks can shrink to a pile.
        int count = deck.turn && strip ? int(deck.turn->items.size()) : 1;
        result.push_back({.id = deck.id, .count = count, .span = span, .folded = false});
    }
    return result;
}

StripWindow::Metrics ShelfLayout::windowMetrics(const Metrics& metrics) const {
    double card = vertical ? thumbSize.height() : thumbSize.width();
    return {.card = card, .piled = card + 2 * metrics.pileStep, .gap = metrics.gap};
}

}  // namespace brimly
