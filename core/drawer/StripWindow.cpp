#include "core/drawer/StripWindow.h"

#include <algorithm>

namespace brimly {

std::optional<std::set<std::string>> StripWindow::near(const std::vector<Deck>& decks, Range visible,
                                                       const std::optional<Range>& from,
                                                       const Metrics& metrics) {
    double w = visible.length();
    if (!(w > 0)) return std::nullopt;
    double lo = visible.lower;
    double hi = visible.upper;
    if (from) {
        lo = std::min(lo, from->lower);
        hi = std::max(hi, from->upper);
    }
    Range window{lo - w, hi + w};

    std::set<std::string> result;
    double cursor = 0;
    double shift = 0;
    double slack = 0;
    for (const auto& deck : decks) {
        if (deck.folded) {
            if (deck.span) shift += deck.span->length() + metrics.gap;
            continue;
        }
        Range extent;
        if (deck.span) {
            extent = {deck.span->lower - shift, deck.span->upper - shift};
        } else {
            double width = deck.count < 2 ? metrics.card : metrics.piled;
            extent = {cursor, cursor + width};
            shift -= width + metrics.gap;
        }
        Range movedLeft{extent.lower - slack, extent.upper - slack};
        if (extent.overlaps(window) || movedLeft.overlaps(window)) result.insert(deck.id);
        if (deck.count >= 2) slack += std::max(0.0, extent.length() - metrics.piled);
        cursor = extent.upper + metrics.gap;
    }
    return result;
}

}  // namespace brimly
