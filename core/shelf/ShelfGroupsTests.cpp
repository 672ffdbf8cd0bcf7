#include <gtest/gtest.h>

#include "core/shelf/ShelfGroups.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using testing::Ids;
using testing::idsOf;
using testing::makeItem;
using testing::makePrompt;
using testing::makeSession;
using testing::withPath;

Ids turnIDs(const SessionGroup& group) {
    Ids ids;
    for (const auto& turn : group.turns) ids.push_back(turn.id);
    return ids;
}

TEST(ShelfGroupsTest, EmptySnapshotsAndSessionsWithoutItemsGiveNoGroups) {
    EXPECT_TRUE(ShelfGroups::build(Snapshot::empty()).empty());
    Snapshot snapshot;
    snapshot.sessions = {makeSession("s", 5)};
    EXPECT_TRUE(ShelfGroups::build(snapshot).empty());
}

TEST(ShelfGroupsTest, PromptTurnsComeFirstNewestFirstThenEarlier) {
    Snapshot snapshot;
    snapshot.sessions = {makeSession("s", 1)};
    snapshot.prompts = {makePrompt("p1", "s", 10), makePrompt("p2", "s", 20)};
    snapshot.items = {
        makeItem("e", "s", 100),  // no prompt, newest of all
        makeItem("a", "s", 11, "p1"),      makeItem("b", "s", 12, "p1"), makeItem("c", "s", 21, "p2"),
        makeItem("m", "s", 50, "missing"),  // prompt not in the snapshot: dated by its item
        makeItem("y", "s", 15, "p0"),      makeItem("x", "s", 15, "p0"),
    };
    auto groups = ShelfGroups::build(snapshot);
    ASSERT_EQ(groups.size(), 1u);
    const auto& group = groups[0];
    EXPECT_EQ(turnIDs(group), (Ids{"missing", "p2", "p0", "p1", "earlier:s"}));
    EXPECT_FALSE(group.turns[0].prompt);
    EXPECT_EQ(group.turns[1].prompt, snapshot.prompts[1]);
    EXPECT_EQ(idsOf(group.turns[2].items), (Ids{"x", "y"}));
    EXPECT_EQ(idsOf(group.turns[3].items), (Ids{"b", "a"}));
    EXPECT_EQ(idsOf(group.items()), (Ids{"m", "c", "x", "y", "b", "a", "e"}));
    EXPECT_EQ(group.newest, 100);
    EXPECT_EQ(group.session, snapshot.sessions[0]);
}

TEST(ShelfGroupsTest, SessionsOrderByNewestThenIdAndMissingOnesAreSubstituted) {
    Snapshot snapshot;
    snapshot.sessions = {makeSession("late", 500), makeSession("b", 10), makeSession("a", 5)};
    snapshot.items = {makeItem("1", "late", 1), makeItem("2", "a", 10), makeItem("3", "b", 10),
                      makeItem("4", "ghost", 7), makeItem("5", "ghost", 3)};
    auto groups = ShelfGroups::build(snapshot);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].session.id, "late");
    EXPECT_EQ(groups[0].newest, 500);
    EXPECT_EQ(groups[1].session.id, "a");
    EXPECT_EQ(groups[2].session.id, "b");
    EXPECT_EQ(groups[3].session, (Session{.id = "ghost", .startedAt = 3, .lastActive = 7}));
    EXPECT_EQ(groups[3].newest, 7);
}

TEST(ShelfGroupsTest, WatchedFolderItemsSplitBySubfolderAndSessionsGetLabels) {
    Snapshot snapshot;
    snapshot.sessions = {makeSession("folder:/a/site/docs", 1, "/a/site/docs"),
                         makeSession("folder:/b/app/docs", 1, "/b/app/docs")};
    snapshot.items = {withPath(makeItem("x", "folder:/a/site/docs", 3), "/a/site/docs/img/x.png"),
                      withPath(makeItem("y", "folder:/a/site/docs", 2), "/a/site/docs/y.png"),
                      withPath(makeItem("z", "folder:/b/app/docs", 1), "/b/app/docs/z.png")};
    auto groups = ShelfGroups::build(snapshot);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].session.agentName, "site \u203a docs");
    EXPECT_EQ(turnIDs(groups[0]), (Ids{"earlier:folder:/a/site/docs\x1fimg", "earlier:folder:/a/site/docs"}));
    EXPECT_EQ(groups[0].turns[0].subfolder(), "img");
    EXPECT_EQ(groups[1].session.agentName, "app \u203a docs");
}

TEST(ShelfGroupsTest, ArrivalOrderIsOldestFirstByNumericCaptureSequence) {
    auto withCapture = [](std::string id, Date at, std::optional<std::string> capture) {
        ShelfItem item = makeItem(std::move(id), "s", at);
        item.captureID = std::move(capture);
        return item;
    };
    auto ordered = ShelfGroups::arrivalOrder(
        {withCapture("late", 9, "t#1"), withCapture("ten", 5, "t#10"), withCapture("two", 5, "t#2"),
         withCapture("none", 5, std::nullopt), withCapture("b", 5, "junk"), withCapture("a", 5, "x#")});
    EXPECT_EQ(idsOf(ordered), (Ids{"a", "b", "none", "two", "ten", "late"}));

    // clang-format off
    const std::pair<const char*, std::int64_t> cases[] = {
        {"toolu#12", 12}, {"a#3#", 3}, {"a#3##", 3}, {"###", 0}, {"", 0}, {"a#1x", 0},
        {"a#-4", -4}, {"a#+7", 7}, {"a#+-7", 0}, {"a#+", 0}, {"a#99999999999999999999", 0}, {"42", 42},
    };
    // clang-format on
    for (const auto& [capture, sequence] : cases)
        EXPECT_EQ(ShelfGroups::captureSequence(capture), sequence) << capture;
}

}  // namespace
}  // namespace brimly
