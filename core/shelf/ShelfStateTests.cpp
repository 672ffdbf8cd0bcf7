#include <gtest/gtest.h>

#include "core/shelf/ShelfState.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly {
namespace {

using testing::Ids;
using testing::idsOf;
using testing::makeItem;
using testing::seen;
using testing::withPath;

Snapshot snapshotOf(std::vector<ShelfItem> items, std::vector<ShelfItem> hidden = {}) {
    Snapshot snapshot;
    snapshot.items = std::move(items);
    snapshot.hidden = std::move(hidden);
    return snapshot;
}

ShelfItem folderItem(std::string id, std::string path) {
    ShelfItem item = withPath(makeItem(std::move(id), "folder:/w", 1), std::move(path));
    item.sourceKinds = {Source::folder};
    return item;
}

PendingUndo hideOf(const ShelfItem& item) { return {PendingUndo::Hide{item}}; }
PendingUndo deleteOf(std::set<std::string> ids) { return {PendingUndo::Delete{std::move(ids)}}; }

TEST(ShelfStateTest, FirstSnapshotAnnouncesNothingButIsRemembered) {
    ShelfState state;
    EXPECT_EQ(state.apply(snapshotOf({makeItem("a", "s", 1), makeItem("b", "s", 2)})),
              std::vector<ShelfItem>{});
    EXPECT_TRUE(state.hasSnapshot());
    EXPECT_EQ(state.known().size(), 2u);
    auto arrivals =
        state.apply(snapshotOf({makeItem("a", "s", 1), makeItem("b", "s", 2), makeItem("c", "s", 3)}));
    EXPECT_EQ(idsOf(arrivals), Ids{"c"});

    state.restart();
    EXPECT_EQ(idsOf(state.apply(snapshotOf({makeItem("d", "s", 4)}))), Ids{});
    EXPECT_TRUE(state.known().contains("d"));
}

TEST(ShelfStateTest, ArrivalsAreUnreadNewOrMovedFolderFilesInArrivalOrder) {
    ShelfState state;
    state.apply(
        snapshotOf({makeItem("a", "s", 1), folderItem("f", "/w/x/f.png"), folderItem("g", "/w/g.png")}));

    ShelfItem rewritten = makeItem("a", "s", 9);
    rewritten.versions = {ItemVersion{Url::fromPath("/old.png"), 1}};
    auto n2 = makeItem("n2", "s", 5);
    n2.captureID = "t#10";
    auto n1 = makeItem("n1", "s", 5);
    n1.captureID = "t#2";
    auto arrivals = state.apply(snapshotOf({rewritten, n2, n1, seen(makeItem("r", "s", 5)),
                                            folderItem("f", "/w/y/f.png"), folderItem("g", "/w/g.png")}));
    // Oldest first, #2 before #10. A known item without a placement key is never news again; a folder
    // file that moved is.
    EXPECT_EQ(idsOf(arrivals), (Ids{"f", "n1", "n2"}));
    EXPECT_EQ(state.known().at("f"), "folder:/w|/w/y");

    // Moving back is news again, but only while unread.
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/x/f.png")}))), Ids{"f"});
    EXPECT_EQ(idsOf(state.apply(snapshotOf({seen(folderItem("f", "/w/z/f.png"))}))), Ids{});
    EXPECT_EQ(state.known().at("f"), "folder:/w|/w/z");
    // Same position in the list, same id, new folder: still noticed.
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/v/f.png")}))), Ids{"f"});
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/v/f.png")}))), Ids{});
}

TEST(ShelfStateTest, PlacementKeyOnlyForPureFolderItems) {
    EXPECT_EQ(ShelfState::placementKey(folderItem("f", "/w/a/f.png")), "folder:/w|/w/a");
    EXPECT_EQ(ShelfState::placementKey(folderItem("f", "/f.png")), "folder:/w|/");
    ShelfItem noPath = folderItem("f", "");
    noPath.sourcePath.reset();
    EXPECT_EQ(ShelfState::placementKey(noPath), "folder:/w|");
    ShelfItem mixed = folderItem("f", "/w/a/f.png");
    mixed.sourceKinds.insert(Source::scratchpad);
    EXPECT_FALSE(ShelfState::placementKey(mixed));
    EXPECT_FALSE(ShelfState::placementKey(makeItem("a", "s", 1)));
}

TEST(ShelfStateTest, RemovedItemsAreNotAnnouncedButBecomeKnown) {
    ShelfState state;
    state.apply(snapshotOf({makeItem("a", "s", 1)}));
    state.hold(deleteOf({"x"}));
    EXPECT_EQ(idsOf(state.apply(snapshotOf({makeItem("a", "s", 1), makeItem("x", "s", 2)}))), Ids{});
    EXPECT_TRUE(state.known().contains("x"));

    state.hold(deleteOf({"y"}));  // commits x
    state.undo();
    EXPECT_EQ(state.committed(), (std::set<std::string>{"x"}));
    EXPECT_EQ(idsOf(state.apply(snapshotOf({makeItem("x", "s", 2), makeItem("y", "s", 3)}))), Ids{"y"});
}

TEST(ShelfStateTest, PendingAndCommittedRemovalsLeaveTheVisibleShelf) {
    ShelfState state;
    ShelfItem a = makeItem("a", "s", 1);
    ShelfItem b = makeItem("b", "s", 2);
    ShelfItem h = makeItem("h", "s", 0);
    state.apply(snapshotOf({a, b}, {h}));
    EXPECT_EQ(state.visible(), state.snapshot());

    EXPECT_FALSE(state.hold(hideOf(a)));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"b"});
    state.undo();
    EXPECT_FALSE(state.pending());
    EXPECT_EQ(idsOf(state.visible().items), (Ids{"a", "b"}));
    EXPECT_FALSE(state.commit());

    state.hold(deleteOf({"b", "h"}));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"a"});
    EXPECT_EQ(idsOf(state.visible().hidden), Ids{});
    auto command = state.hold(hideOf(a));
    ASSERT_TRUE(command);
    auto* remove = std::get_if<EngineCommand::Delete>(&command->command);
    ASSERT_TRUE(remove);
    EXPECT_EQ(std::set<std::string>(remove->ids.begin(), remove->ids.end()),
              (std::set<std::string>{"b", "h"}));
    EXPECT_EQ(state.visible().items, std::vector<ShelfItem>{});

    // The committed deletion stays off the shelf until a snapshot lacks it.
    state.undo();
    state.apply(snapshotOf({a, b}, {h}));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"a"});
    state.apply(snapshotOf({a}));
    EXPECT_TRUE(state.committed().empty());
    state.apply(snapshotOf({a, b}));
    EXPECT_EQ(idsOf(state.visible().items), (Ids{"a", "b"}));
}

TEST(ShelfStateTest, CommittedHideShowsUnderRecentlyHiddenAndComesBack) {
    ShelfState state;
    ShelfItem x = makeItem("x", "s", 1);
    ShelfItem y = makeItem("y", "s", 2);
    state.apply(snapshotOf({x, y}));

    state.hold(hideOf(x));
    auto command = state.commit();
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, (EngineCommand{EngineCommand::Hide{{"x"}}}));

    // The engine has not acted yet: x is still listed, and stays off the shelf.
    state.apply(snapshotOf({x, y}));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"y"});
    // The engine moved x to its hidden list: it shows there at once.
    state.apply(snapshotOf({y}, {x}));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"y"});
    EXPECT_EQ(idsOf(state.visible().hidden), Ids{"x"});
    EXPECT_TRUE(state.committed().empty());

    state.unhide({"x"});
    EXPECT_EQ(idsOf(state.apply(snapshotOf({x, y}))), Ids{});
    EXPECT_EQ(idsOf(state.visible().items), (Ids{"x", "y"}));
}

TEST(ShelfStateTest, CommittedHideStaysHiddenUntilTheEngineActsEvenFromTheHiddenList) {
    ShelfState state;
    ShelfItem x = makeItem("x", "s", 1);
    state.apply(snapshotOf({x}));
    state.hold(hideOf(x));
    state.commit();
    state.unhide({"other"});
    EXPECT_EQ(state.committed(), (std::set<std::string>{"x"}));
    // Pending hides and committed deletions are out of both lists; a committed hide only out of `items`.
    state.hold(deleteOf({"q"}));
    state.apply(snapshotOf({}, {x, makeItem("q", "s", 0)}));
    EXPECT_EQ(idsOf(state.visible().hidden), Ids{"x"});
    state.hold(hideOf(x));
    EXPECT_EQ(idsOf(state.visible().hidden), Ids{});
    state.apply(snapshotOf({}, {x}));
    EXPECT_EQ(idsOf(state.visible().hidden), Ids{});
    state.commit();
    EXPECT_EQ(state.committedHides(), (std::set<std::string>{"x"}));
    state.unhide({"x"});
    EXPECT_TRUE(state.committed().empty());
    EXPECT_TRUE(state.committedHides().empty());
}

TEST(ShelfStateTest, DeleteAllSparesWhatArrivedLater) {
    ShelfState state;
    state.apply(snapshotOf({makeItem("x", "s", 1)}, {makeItem("y", "s", 0)}));
    state.hold({PendingUndo::DeleteAll{{"x", "y"}}});
    state.apply(snapshotOf({makeItem("z", "s", 3), makeItem("x", "s", 1)},
                           {makeItem("y", "s", 0), makeItem("w", "s", 0)}));
    EXPECT_EQ(idsOf(state.visible().items), Ids{"z"});
    auto command = state.commit();
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, (EngineCommand{EngineCommand::DeleteAll{{"z", "w"}}}));
    EXPECT_FALSE(state.commit());
}

TEST(PendingUndoTest, ExcludedAndMessages) {
    ShelfItem item = makeItem("a", "s", 1);
    item.title = "shot.png";
    struct Case {
        PendingUndo removal;
        std::set<std::string> excluded;
        std::string message;
    };
    const Case cases[] = {
        {hideOf(item), {"a"}, "Hidden \xE2\x80\x9Cshot.png\xE2\x80\x9D"},
        {deleteOf({"a"}), {"a"}, "Deleted 1 item"},
        {deleteOf({"a", "b", "c"}), {"a", "b", "c"}, "Deleted 3 items"},
        {deleteOf({}), {}, "Deleted 0 items"},
        {{PendingUndo::DeleteAll{{"a", "b"}}}, {"a", "b"}, "Deleted 2 items"},
        {{PendingUndo::DeleteAll{{"z"}}}, {"z"}, "Deleted 1 item"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.removal.excluded(), c.excluded) << c.message;
        EXPECT_EQ(c.removal.message(), c.message);
    }
    EXPECT_NE(deleteOf({"a"}), (PendingUndo{PendingUndo::DeleteAll{{"a"}}}));
}

}  // namespace
}  // namespace brimly
