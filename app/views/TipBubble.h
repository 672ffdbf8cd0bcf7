#pragma once

#include <QRectF>
#include <optional>

#include "app/shelf/ShelfTip.h"
#include "app/views/ShelfLayout.h"
#include "app/views/ViewLook.h"

class QPainter;

namespace brimly {

// The drawer's own tool tip: which card or header text under the pointer deserves one (only texts the
// layout had to shorten), where the bubble goes next to it, and how it looks. Main thread only.
class TipBubble {
public:
    struct Anchor {
        ShelfTip tip;
        // The shortened text's box, in content coordinates, or in the view's for a header button's tip.
        QRectF content;
        bool inHeader = false;
    };

    explicit TipBubble(const ViewLook& look) : m_look(look) {}

    // `card` is absent over a deck's header. Texts are shortened at paint, so an unpainted deck has no tips.
    std::optional<Anchor> anchor(const ShelfLayout::Deck& deck, const ShelfLayout::Card* card) const;
    // Above the anchor when there is room inside `bounds`, else below it; all in the same coordinates.
    QRectF frame(const ShelfTip& tip, const QRectF& anchor, const QRectF& bounds) const;
    void paint(QPainter& painter, const ShelfTip& tip, const QRectF& frame) const;

private:
    const ViewLook& m_look;
};

}  // namespace brimly
