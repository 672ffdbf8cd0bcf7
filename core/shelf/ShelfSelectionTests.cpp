#include <gtest/gtest.h>

#include "core/shelf/ShelfKeyRule.h"
#include "core/shelf/ShelfSelection.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using Direction = ShelfSelection::Direction;
using Ids = std::vector<std::string>;
using Sections = std::vector<Ids>;

constexpr auto move = &ShelfSelection::move;

TEST(ShelfSelectionTest, EmptySectionsAndMissingSelection) {
    for (auto direction : {Direction::left, Direction::right, Direction::up, Direction::down}) {
        EXPECT_EQ(move("a", direction, {}, 3), std::nullopt);
        EXPECT_EQ(move(std::nullopt, direction, {{}, {}}, 3), std::nullopt);
        EXPECT_EQ(move(std::nullopt, direction, {{}, {"x", "y"}}, 3), "x");
        // A selection that vanished starts over at the first id.
        EXPECT_EQ(move("gone", direction, {{"x", "y"}, {"z"}}, 0), "x");
    }
}

TEST(ShelfSelectionTest, StripLayoutWalksSidewaysOnly) {
    const Sections strip = {{"a", "b", "c"}};
    EXPECT_EQ(move("a", Direction::left, strip, 0), "a");
    EXPECT_EQ(move("a", Direction::right, strip, 0), "b");
    EXPECT_EQ(move("c", Direction::right, strip, 0), "c");
    EXPECT_EQ(move("b", Direction::up, strip, 0), "b");
    EXPECT_EQ(move("b", Direction::down, strip, 0), "b");
}

TEST(ShelfSelectionTest, RailGridMovesThroughSections) {
    // Three columns: section 0 holds rows [a0 a1 a2] [a3 a4]; section 1 [b0 b1]; an empty one between.
    const Sections rail = {{"a0", "a1", "a2", "a3", "a4"}, {}, {"b0", "b1"}, {"c0", "c1", "c2", "c3"}};
    const std::tuple<const char*, Direction, const char*> cases[] = {
        {"a1", Direction::down, "a4"},  {"a2", Direction::down, "a4"},  // short last row clamps
        {"a4", Direction::down, "b1"},                                  // next section, column 1
        {"a3", Direction::down, "b0"},  {"b1", Direction::down, "c1"},
        {"c3", Direction::down, "c3"},  // nothing below the last section
        {"c2", Direction::down, "c3"},  // a one-item last row takes every column
        {"a4", Direction::up, "a1"},    {"a0", Direction::up, "a0"},  // first row of the first section stays
        {"b1", Direction::up, "a4"},  // previous section's last row, same column
        {"c2", Direction::up, "b1"},  // clamped to the previous section's last item
        {"a4", Direction::right, "b0"}, {"b0", Direction::left, "a4"},
        {"a0", Direction::left, "a0"},  {"c3", Direction::right, "c3"},
    };
    for (const auto& [from, direction, to] : cases) {
        EXPECT_EQ(move(from, direction, rail, 3), to) << from << " " << static_cast<int>(direction);
    }
    // One column (side stacks): up and down step through the list.
    EXPECT_EQ(move("b", Direction::down, {{"a", "b", "c"}}, 1), "c");
    EXPECT_EQ(move("b", Direction::up, {{"a", "b", "c"}}, 1), "a");
}

SessionGroup group(const std::string& session, std::vector<std::pair<std::string, Ids>> turns) {
    SessionGroup result;
    result.session = testing::makeSession(session, 1);
    for (auto& [turnID, ids] : turns) {
        Turn turn;
        turn.id = turnID;
        for (const auto& id : ids) turn.items.push_back(testing::makeItem(id, session, 1));
        result.turns.push_back(std::move(turn));
    }
    return result;
}

TEST(ShelfSelectionTest, SelectableSectionsPerLayout) {
    const std::vector<SessionGroup> groups = {
        group("s1", {{"t1", {"a", "b"}}, {"t2", {"c"}}}),
        group("s2", {{"t3", {"d"}}}),
    };
    CollapsedSections collapsed;
    collapsed.ids = {"t1", "s2"};

    auto rail = ShelfSelection::selection(collapsed, ShelfLayoutKind::rail, groups, &groups[0]);
    EXPECT_EQ(rail, (ShelfSelection::Sections{{{"c"}}, 3}));
    EXPECT_EQ(ShelfSelection::selection(collapsed, ShelfLayoutKind::column, groups, nullptr),
              (ShelfSelection::Sections{{}, 2}));
    // Folded turn ids do not fold anything in the strip; folded session ids do.
    EXPECT_EQ(ShelfSelection::selection(collapsed, ShelfLayoutKind::stacks, groups, &groups[0]),
              (ShelfSelection::Sections{{{"a", "b", "c"}}, 0}));
    EXPECT_EQ(ShelfSelection::selection(collapsed, ShelfLayoutKind::sideStacks, groups, nullptr).columns, 1);
    EXPECT_EQ(ShelfSelection::selectableStrip({}, groups), (Ids{"a", "b", "c", "d"}));

    EXPECT_TRUE(ShelfSelection::canSelect(collapsed, "c", ShelfLayoutKind::rail, groups, &groups[0]));
    EXPECT_FALSE(ShelfSelection::canSelect(collapsed, "a", ShelfLayoutKind::rail, groups, &groups[0]));
    EXPECT_TRUE(ShelfSelection::canSelect(collapsed, "a", ShelfLayoutKind::stacks, groups, nullptr));
    EXPECT_FALSE(ShelfSelection::canSelect(collapsed, "d", ShelfLayoutKind::stacks, groups, nullptr));
    EXPECT_FALSE(ShelfSelection::canSelect(collapsed, "c", ShelfLayoutKind::rail, groups, nullptr));
}

TEST(ShelfKeyRuleTest, PanelTakesFocusOnlyWhenOpenAndWanted) {
    using Phase = HoverMachine::Phase;
    using Reason = HoverMachine::Reason;
    const Phase closedPhases[] = {Phase{}, Phase{Phase::Dwelling{1, 0, 0.1}}, Phase{Phase::Closing{1, 5}}};
    for (const auto& phase : closedPhases) {
        EXPECT_FALSE(ShelfKeyRule::panelMayBeKey(phase, true, true));
    }
    Phase hover{Phase::Open{1, Reason::hover, true, std::nullopt}};
    EXPECT_FALSE(ShelfKeyRule::panelMayBeKey(hover, false, false));
    EXPECT_TRUE(ShelfKeyRule::panelMayBeKey(hover, true, false));
    EXPECT_TRUE(ShelfKeyRule::panelMayBeKey(hover, false, true));
    Phase click{Phase::Open{1, Reason::click, false, std::nullopt}};
    EXPECT_FALSE(ShelfKeyRule::panelMayBeKey(click, false, false));
    Phase hotkey{Phase::Open{1, Reason::hotkey, false, std::nullopt}};
    EXPECT_TRUE(ShelfKeyRule::panelMayBeKey(hotkey, false, false));
}

}  // namespace
}  // namespace brimly
