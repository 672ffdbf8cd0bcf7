#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brimly {

// Decides which decks of the strip are near enough to the visible part to be rendered and have their
// thumbnails loaded: one visible width of margin on each side, widened over a scroll in progress.
struct StripWindow {
    struct Range {
        double lower = 0;
        double upper = 0;
        double length() const { return upper - lower; }
        bool overlaps(const Range& other) const { return lower <= other.upper && other.lower <= upper; }
        bool operator==(const Range&) const = default;
    };

    struct Deck {
        std::string id;
        int count = 0;
        // The laid-out extent when the view has measured it.
        std::optional<Range> span;
        bool folded = false;
        bool operator==(const Deck&) const = default;
    };

    struct Metrics {
        double card = 0;
        double piled = 0;
        double gap = 0;
    };

    // Absent when the visible range is empty or inverted (nothing can be judged yet).
    static std::optional<std::set<std::string>> near(const std::vector<Deck>& decks, Range visible,
                                                     const std::optional<Range>& from,
                                                     const Metrics& metrics);
};

}  // namespace brimly
