#include <gtest/gtest.h>

#include <algorithm>

#include "app/views/ShelfLayout.h"

namespace brimly {
namespace {

ShelfItem item(const std::string& id) { return ShelfItem{.id = id, .title = id + ".png", .sessionID = "s"}; }

// Two sessions: "s" with a turn of three items and one of a single item, "t" with one item.
std::vector<SessionGroup> shelf() {
    return {
        SessionGroup{.session = {.id = "s"},
                     .turns = {Turn{.id = "p1", .items = {item("a"), item("b"), item("c")}},
                               Turn{.id = "p2", .items = {item("d")}}}},
        SessionGroup{.session = {.id = "t"}, .turns = {Turn{.id = "q1", .items = {item("e")}}}},
    };
}

std::vector<std::string> cardsOf(const ShelfLayout::Deck& deck) {
    std::vector<std::string> ids;
    for (const auto& card : deck.cards) ids.push_back(card.item->id);
    return ids;
}

TEST(ShelfLayoutTest, TheStripPilesATurnUnlessItIsOpenedOrHoldsTheSelection) {
    auto groups = shelf();
    CollapsedSections collapsed;
    DeckFan opened;
    opened.click("p1", 3, false);
    CollapsedSections sessionFolded{.ids = {"s"}};
    using Ids = std::vector<std::string>;
    // clang-format off
    const std::tuple<const char*, const DeckFan*, const CollapsedSections*, std::optional<std::string>,
                     Ids, Ids> cases[] = {
        {"closed",          nullptr, &collapsed,     std::nullopt, {"p1", "p2", "q1"}, {"a"}},
        {"clicked open",    &opened, &collapsed,     std::nullopt, {"p1", "p2", "q1"}, {"a", "b", "c"}},
        {"holds selection", nullptr, &collapsed,     "b",          {"p1", "p2", "q1"}, {"a", "b", "c"}},
        {"session folded",  nullptr, &sessionFolded, std::nullopt, {"s", "q1"},        {}},
    };
    // clang-format on
    DeckFan closed;
    for (const auto& [name, fan, folded, selected, decks, firstCards] : cases) {
        auto layout = ShelfLayout::build({.kind = ShelfLayoutKind::stacks,
                                          .size = {800, 120},
                                          .groups = &groups,
                                          .collapsed = folded,
                                          .fan = fan ? fan : &closed,
                                          .selectedItem = selected});
        Ids ids;
        for (const auto& deck : layout.decks) ids.push_back(deck.id);
        EXPECT_EQ(ids, decks) << name;
        EXPECT_EQ(cardsOf(layout.decks.front()), firstCards) << name;
        // The strip window sees the decks where they are drawn, one after the other.
        auto window = layout.windowDecks();
        for (std::size_t i = 1; i < window.size(); ++i)
            EXPECT_LT(window[i - 1].span->upper, window[i].span->lower) << name;
        EXPECT_DOUBLE_EQ(layout.length, layout.decks.back().frame.right()) << name;
    }
}

TEST(ShelfLayoutTest, TheRailShowsTheSelectedSessionsUnfoldedTurnsInColumns) {
    auto groups = shelf();
    DeckFan fan;
    CollapsedSections none;
    CollapsedSections folded{.ids = {"p1"}};
    auto build = [&](const CollapsedSections& collapsed, std::optional<std::string> session) {
        return ShelfLayout::build({.kind = ShelfLayoutKind::rail,
                                   .size = {688, 260},
                                   .groups = &groups,
                                   .collapsed = &collapsed,
                                   .fan = &fan,
                                   .selectedSession = std::move(session)});
    };
    auto first = build(none, std::nullopt);
    ASSERT_EQ(first.rail.size(), 2u);
    EXPECT_EQ(first.shownSession, &groups[0]) << "without a selection the newest session shows";
    ASSERT_EQ(first.decks.size(), 2u);
    EXPECT_EQ(cardsOf(first.decks[0]), (std::vector<std::string>{"a", "b", "c"}));
    const auto& cards = first.decks[0].cards;
    EXPECT_DOUBLE_EQ(cards[0].frame.top(), cards[2].frame.top()) << "three columns: one row";
    EXPECT_GT(cards[0].frame.left(), first.railWidth);
    EXPECT_GT(first.decks[1].frame.top(), cards[0].frame.bottom());

    EXPECT_TRUE(build(folded, std::nullopt).decks[0].cards.empty()) << "a folded turn keeps its header only";
    auto second = build(none, "t");
    EXPECT_EQ(second.shownSession, &groups[1]);
    EXPECT_EQ(cardsOf(second.decks.front()), std::vector<std::string>{"e"});
}

// What a side layout shows, top to bottom and left to right in a row: session rows as "#id", deck headers
// as "^id", cards by item id. Everything must lie inside the panel's width without overlapping.
std::vector<std::string> readDown(const ShelfLayout& layout, double width) {
    std::vector<std::pair<QRectF, std::string>> placed;
    for (const auto& row : layout.rail) placed.emplace_back(row.frame, "#" + row.group->session.id);
    for (const auto& deck : layout.decks) {
        placed.emplace_back(deck.header, "^" + deck.id);
        for (const auto& card : deck.cards) placed.emplace_back(card.frame, card.item->id);
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first.top(), a.first.left()) < std::pair(b.first.top(), b.first.left());
    });
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const auto& [frame, id] = placed[i];
        EXPECT_TRUE(frame.left() >= 0 && frame.right() <= width) << id << " sticks out";
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(frame.intersects(placed[j].first)) << id << " overlaps " << placed[j].second;
        }
        ids.push_back(id);
    }
    if (!placed.empty()) {
        EXPECT_DOUBLE_EQ(layout.length, placed.back().first.bottom());
    }
    return ids;
}

TEST(ShelfLayoutTest, TheSideLayoutsRunDownwardsInGroupOrder) {
    auto groups = shelf();
    DeckFan closed;
    CollapsedSections none;
    CollapsedSections turnFolded{.ids = {"p1"}};
    CollapsedSections sessionFolded{.ids = {"s"}};
    using Ids = std::vector<std::string>;
    constexpr auto column = ShelfLayoutKind::column;
    constexpr auto sideStacks = ShelfLayoutKind::sideStacks;
    // clang-format off
    const std::tuple<const char*, ShelfLayoutKind, double, const CollapsedSections*, std::optional<std::string>,
                     std::optional<std::string>, Ids> cases[] = {
        {"column",                 column,     480, &none,          std::nullopt, std::nullopt,
            {"#s", "^p1", "a", "b", "c", "^p2", "d", "#t"}},
        {"column, other session",  column,     480, &none,          std::nullopt, "t", {"#s", "#t", "^q1", "e"}},
        {"column, folded turn",    column,     480, &turnFolded,    std::nullopt, std::nullopt,
            {"#s", "^p1", "^p2", "d", "#t"}},
        {"sideStacks",             sideStacks, 204, &none,          std::nullopt, std::nullopt,
            {"^p1", "a", "^p2", "d", "^q1", "e"}},
        {"sideStacks, selected",   sideStacks, 204, &none,          "b",          std::nullopt,
            {"^p1", "a", "b", "c", "^p2", "d", "^q1", "e"}},
        {"sideStacks, folded",     sideStacks, 204, &sessionFolded, std::nullopt, std::nullopt, {"^s", "^q1", "e"}},
    };
    // clang-format on
    for (const auto& [name, kind, width, collapsed, item, session, expected] : cases) {
        auto layout = ShelfLayout::build({.kind = kind,
                                          .size = {width, 600},
                                          .groups = &groups,
                                          .collapsed = collapsed,
                                          .fan = &closed,
                                          .selectedItem = item,
                                          .selectedSession = session});
        EXPECT_TRUE(layout.vertical) << name;
        EXPECT_EQ(readDown(layout, width), expected) << name;
        auto window = layout.windowDecks();
        for (std::size_t i = 1; i < window.size(); ++i)
            EXPECT_LT(window[i - 1].span->upper, window[i].span->lower) << name;
    }
}

}  // namespace
}  // namespace brimly
