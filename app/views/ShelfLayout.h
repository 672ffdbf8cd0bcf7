#pragma once

#include <QRectF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "core/drawer/RailSplit.h"
#include "core/drawer/ShelfLayoutKind.h"
#include "core/drawer/StripWindow.h"
#include "core/shelf/CollapsedSections.h"
#include "core/shelf/DeckFan.h"
#include "core/shelf/SessionGroup.h"

namespace brimly {

// Where everything of the shelf goes in one layout, in content coordinates: the decks scroll along x
// (`stacks`) or y (`rail`, and the side pills' `column` and `sideStacks`), the session rail along y.
// Pointers refer into the groups it was built from and live until they are rebuilt. Pure geometry on the
// main thread; painting and hit tests read it.
struct ShelfLayout {
    // Elided texts, made at the first paint after a build: shaping text is the dearest part of a paint, and
    // a layout is rebuilt with every change of the shelf and every opening of the drawer.
    struct Texts {
        QString first;
        QString second;
    };
    struct Card {
        const ShelfItem* item = nullptr;
        // The whole card and, inside it, the thumbnail.
        QRectF frame;
        QRectF thumb;
        // The title and the folder and time line.
        mutable std::optional<Texts> texts;
    };
    struct Deck {
        // The turn's id, or the session's id for a folded session.
        std::string id;
        const SessionGroup* group = nullptr;
        const Turn* turn = nullptr;
        QRectF frame;
        QRectF header;
        // A pile shows only its top card, with the edges of the others behind it.
        bool piled = false;
        // A folded turn or session: its header (or chip) only.
        bool folded = false;
        // The first deck of its session in the strip, which carries the session's label.
        bool startsSession = false;
        std::vector<Card> cards;
        // The header's title and time.
        mutable std::optional<Texts> texts;
    };
    struct RailRow {
        const SessionGroup* group = nullptr;
        QRectF frame;
    };
    struct Metrics {
        double card = 104;
        double thumbHeight = 64;
        double gap = 16;
        double cardGap = 8;
        // How far each card behind a pile's top card shows.
        double pileStep = 4;
        double headerHeight = 16;
        double lineHeight = 16;
        double railRow = 40;
        double railBase = 176;
        double railBetween = 17;
        double railThumb = 148;
        int railColumns = 3;
    };
    struct Input {
        ShelfLayoutKind kind = ShelfLayoutKind::stacks;
        // The area the shelf is shown in (the rail takes its left part).
        QSizeF size;
        const std::vector<SessionGroup>* groups = nullptr;
        const CollapsedSections* collapsed = nullptr;
        const DeckFan* fan = nullptr;
        std::optional<std::string> selectedItem;
        std::optional<std::string> selectedSession;
        Metrics metrics;
    };

    ShelfLayoutKind kind = ShelfLayoutKind::stacks;
    // The scrolling axis: x for `stacks`, y for the others.
    bool vertical = false;
    // All sessions in one run of decks (`stacks`, `sideStacks`): sessions fold as a whole, not their turns,
    // and cards name their folder.
    bool strip = false;
    // The `column` lists its sessions' rows in the scrolling content, above the shown session's turns,
    // instead of in a rail of their own.
    bool rowsScroll = false;
    std::vector<Deck> decks;
    std::vector<RailRow> rail;
    // Width of the rail and the divider after it; 0 without a rail.
    double railWidth = 0;
    // Length of the content along the scrolling axis.
    double length = 0;
    double railLength = 0;
    // The card size thumbnails are decoded at.
    QSize thumbSize;
    const SessionGroup* shownSession = nullptr;

    static ShelfLayout build(const Input& input);
    // Decks for the strip window: their ids, card counts and laid-out extents along the scrolling axis.
    std::vector<StripWindow::Deck> windowDecks() const;
    StripWindow::Metrics windowMetrics(const Metrics& metrics) const;

private:
    void buildStrip(const Input& input);
    void buildSideStacks(const Input& input);
    void buildRail(const Input& input);
    void buildColumn(const Input& input);
    void findShownSession(const Input& input);
    // Lays out a session's turns as headed grids from `y` down; returns the bottom of the last one.
    double placeTurns(const Input& input, const SessionGroup& group, double left, double area,
                      int columnCount, double y);
};

}  // namespace brimly
