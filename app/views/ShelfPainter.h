#pragma once

#include <QString>
#include <optional>
#include <set>
#include <string>

#include "app/views/ShelfLayout.h"
#include "app/views/ViewLook.h"
#include "core/base/Date.h"
#include "core/base/TimeZone.h"

class QPainter;

namespace brimly {

class ThumbnailCache;

// Paints the shelf's pieces from a layout: cards (thumbnail or kind glyph, title, folder and time, version
// badge, unread dot, hover and selection), piles, turn headers, folded chips and rail rows. Holds no state
// beyond the look; everything that changes comes in the `Marks` of each paint.
class ShelfPainter {
public:
    struct Marks {
        Date now = 0;
        TimeZone zone = TimeZone::local();
        const std::set<std::string>* dots = nullptr;
        std::optional<std::string> hovered;
        std::optional<std::string> selected;
        // The strip mixes sessions, so its cards name their folder; its sessions fold, not its turns.
        bool strip = false;
    };

    explicit ShelfPainter(const ViewLook& look) : m_look(look) {}

    void paintDeck(QPainter& painter, const ShelfLayout::Deck& deck, const Marks& marks,
                   ThumbnailCache& thumbs) const;
    void paintRailRow(QPainter& painter, const ShelfLayout::RailRow& row, bool selected,
                      const Marks& marks) const;
    static void paintGlyph(QPainter& painter, const QRectF& area, ShelfItemKind kind);

    // The turn header's text: the prompt, or which earlier files the turn holds.
    static QString turnTitle(const Turn& turn);
    static Date turnTime(const Turn& turn);
    // The thumbnail cache's key for an item: a rewritten item gets a new thumbnail.
    static std::string thumbKey(const ShelfItem& item);

private:
    void paintCard(QPainter& painter, const ShelfLayout::Card& card, const Marks& marks,
                   ThumbnailCache& thumbs, const SessionGroup* group) const;
    void paintPileEdges(QPainter& painter, const ShelfLayout::Deck& deck) const;
    void paintHeader(QPainter& painter, const ShelfLayout::Deck& deck, const Marks& marks) const;
    ShelfLayout::Texts headerTexts(const ShelfLayout::Deck& deck, const Marks& marks) const;
    void paintFoldedChip(QPainter& painter, const ShelfLayout::Deck& deck) const;

    const ViewLook& m_look;
};

}  // namespace brimly
