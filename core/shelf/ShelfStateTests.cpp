#include <gtest/gtest.h>

#include <sstream>

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

// Items named by the words of `names`, alike but for their ids.
std::vector<ShelfItem> itemsNamed(const std::string& names) {
    std::vector<ShelfItem> items;
    std::istringstream words(names);
    for (std::string id; words >> id;) items.push_back(makeItem(id, "s", 1));
    return items;
}

ShelfItem folderItem(std::string id, std::string path) {
    ShelfItem item = withPath(makeItem(std::move(id), "folder:/w", 1), std::move(path));
    item.sourceKinds = {Source::folder};
    return item;
}

PendingUndo hideOf(const std::string& id) { return {PendingUndo::Hide{makeItem(id, "s", 1)}}; }
PendingUndo deleteOf(std::set<std::string> ids) { return {PendingUndo::Delete{std::move(ids)}}; }
using IdSet = std::set<std::string>;

class ShelfStateTest : public ::testing::Test {
protected:
    Ids apply(const std::string& items, const std::string& hidden = "") {
        return idsOf(state.apply(snapshotOf(itemsNamed(items), itemsNamed(hidden))));
    }
    Ids shown() const { return idsOf(state.visible().items); }
    Ids shownHidden() const { return idsOf(state.visible().hidden); }

    ShelfState state;
};

TEST_F(ShelfStateTest, FirstSnapshotAnnouncesNothingButIsRemembered) {
    EXPECT_EQ(apply("a b"), Ids{});
    EXPECT_TRUE(state.hasSnapshot());
    EXPECT_EQ(apply("a b c"), Ids{"c"});
    state.restart();
    EXPECT_EQ(apply("d"), Ids{});
    EXPECT_TRUE(state.known().contains("d"));
}

TEST_F(ShelfStateTest, ArrivalsAreUnreadNewOrMovedFolderFilesInArrivalOrder) {
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
    // file that moved is, while unread.
    EXPECT_EQ(idsOf(arrivals), (Ids{"f", "n1", "n2"}));
    EXPECT_EQ(state.known().at("f"), "folder:/w|/w/y");
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/x/f.png")}))), Ids{"f"});
    EXPECT_EQ(idsOf(state.apply(snapshotOf({seen(folderItem("f", "/w/z/f.png"))}))), Ids{});
    EXPECT_EQ(state.known().at("f"), "folder:/w|/w/z");
    // Same position in the list, same id, new folder: still noticed.
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/v/f.png")}))), Ids{"f"});
    EXPECT_EQ(idsOf(state.apply(snapshotOf({folderItem("f", "/w/v/f.png")}))), Ids{});
}

TEST(ShelfStatePlacementTest, PlacementKeyOnlyForPureFolderItems) {
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

TEST_F(ShelfStateTest, RemovedItemsAreNotAnnouncedButBecomeKnown) {
    apply("a");
    state.hold(deleteOf({"x"}));
    EXPECT_EQ(apply("a x"), Ids{});
    EXPECT_TRUE(state.known().contains("x"));
    state.hold(deleteOf({"y"}));  // commits x
    state.undo();
    EXPECT_EQ(state.committed(), IdSet{"x"});
    EXPECT_EQ(apply("x y"), Ids{"y"});
}

TEST_F(ShelfStateTest, PendingAndCommittedRemovalsLeaveTheVisibleShelf) {
    apply("a b", "h");
    EXPECT_EQ(state.visible(), state.snapshot());
    EXPECT_FALSE(state.hold(hideOf("a")));
    EXPECT_EQ(shown(), Ids{"b"});
    state.undo();
    EXPECT_FALSE(state.pending());
    EXPECT_EQ(shown(), (Ids{"a", "b"}));
    EXPECT_FALSE(state.commit());

    // Holding a second removal commits the first: a pending delete leaves both lists.
    state.hold(deleteOf({"b", "h"}));
    EXPECT_EQ(shown(), Ids{"a"});
    EXPECT_EQ(shownHidden(), Ids{});
    auto command = state.hold(hideOf("a"));
    ASSERT_TRUE(command && std::holds_alternative<EngineCommand::Delete>(command->command));
    auto deleted = std::get<EngineCommand::Delete>(command->command).ids;
    EXPECT_EQ(IdSet(deleted.begin(), deleted.end()), (IdSet{"b", "h"}));
    EXPECT_EQ(shown(), Ids{});

    // The committed deletion stays off the shelf until a snapshot lacks it.
    state.undo();
    apply("a b", "h");
    EXPECT_EQ(shown(), Ids{"a"});
    apply("a");
    EXPECT_TRUE(state.committed().empty());
    apply("a b");
    EXPECT_EQ(shown(), (Ids{"a", "b"}));
}

TEST_F(ShelfStateTest, CommittedHideShowsUnderRecentlyHiddenAndComesBack) {
    apply("x y");
    state.hold(hideOf("x"));
    EXPECT_EQ(state.commit(), (EngineCommand{EngineCommand::Hide{{"x"}}}));
    // The engine has not acted yet: x is still listed, and stays off the shelf.
    apply("x y");
    EXPECT_EQ(shown(), Ids{"y"});
    // The engine moved x to its hidden list: it shows there at once.
    apply("y", "x");
    EXPECT_EQ(shown(), Ids{"y"});
    EXPECT_EQ(shownHidden(), Ids{"x"});
    EXPECT_TRUE(state.committed().empty());
    state.unhide({"x"});
    EXPECT_EQ(apply("x y"), Ids{});
    EXPECT_EQ(shown(), (Ids{"x", "y"}));
}

TEST_F(ShelfStateTest, CommittedHideStaysHiddenUntilTheEngineActsEvenFromTheHiddenList) {
    apply("x");
    state.hold(hideOf("x"));
    state.commit();
    state.unhide({"other"});
    EXPECT_EQ(state.committed(), IdSet{"x"});
    // Pending hides and committed deletions are out of both lists; a committed hide only out of `items`.
    state.hold(deleteOf({"q"}));
    apply("", "x q");
    EXPECT_EQ(shownHidden(), Ids{"x"});
    state.hold(hideOf("x"));
    EXPECT_EQ(shownHidden(), Ids{});
    apply("", "x");
    EXPECT_EQ(shownHidden(), Ids{});
    state.commit();
    EXPECT_EQ(state.committedHides(), IdSet{"x"});
    state.unhide({"x"});
    EXPECT_TRUE(state.committed().empty());
    EXPECT_TRUE(state.committedHides().empty());
}

TEST_F(ShelfStateTest, DeleteAllSparesWhatArrivedLater) {
    apply("x", "y");
    state.hold({PendingUndo::DeleteAll{{"x", "y"}}});
    apply("z x", "y w");
    EXPECT_EQ(shown(), Ids{"z"});
    EXPECT_EQ(state.commit(), (EngineCommand{EngineCommand::DeleteAll{{"z", "w"}}}));
    EXPECT_FALSE(state.commit());
}

TEST(PendingUndoTest, ExcludedAndMessages) {
    const std::tuple<PendingUndo, IdSet, std::string> cases[] = {
        {hideOf("shot"), {"shot"}, "Hidden \xE2\x80\x9Cshot.png\xE2\x80\x9D"},
        {deleteOf({"a"}), {"a"}, "Deleted 1 item"},
        {deleteOf({"a", "b", "c"}), {"a", "b", "c"}, "Deleted 3 items"},
        {deleteOf({}), {}, "Deleted 0 items"},
        {{PendingUndo::DeleteAll{{"a", "b"}}}, {"a", "b"}, "Deleted 2 items"},
        {{PendingUndo::DeleteAll{{"z"}}}, {"z"}, "Deleted 1 item"},
    };
    for (const auto& [removal, excluded, message] : cases) {
        EXPECT_EQ(removal.excluded(), excluded) << message;
        EXPECT_EQ(removal.message(), message);
    }
}

}  // namespace
}  // namespace brimly
