#include "app/shelf/ShelfModelTestSupport.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly::testing {
namespace {

using Titles = std::vector<std::string>;
constexpr DisplayID screen = 7;

TEST_F(ShelfModelTest, HidingAgainWithinTheWindowSendsTheFirstAtOnceAndTheSecondAfterItsOwnWindow) {
    put({"a.png", "b.png"});
    start();
    model->setOpenScreen(screen);
    model->hide(item("a.png"));
    EXPECT_EQ(shown(), Titles{"b.png"});
    advance(1);
    EXPECT_EQ(publishedHidden(), Titles{}) << "the first hide waits for its window";
    model->hide(item("b.png"));
    advance(0.2);
    EXPECT_EQ(publishedHidden(), Titles{"a.png"});
    EXPECT_EQ(shown(), Titles{});
    advance(3.6);
    EXPECT_EQ(publishedHidden(), Titles{"a.png"}) << "the second hide has a window of its own";
    advance(0.4);
    EXPECT_EQ(publishedHidden(), (Titles{"a.png", "b.png"}));
    EXPECT_FALSE(model->pendingUndo());
}

// The window counts only while a drawer is open and the toast is not hovered.
TEST_F(ShelfModelTest, TheUndoWindowPausesWhileTheDrawerIsClosedOrTheToastHovered) {
    put({"a.png"});
    start();
    model->hide(item("a.png"));
    advance(10);
    EXPECT_EQ(publishedHidden(), Titles{}) << "closed drawer";
    model->setOpenScreen(screen);
    advance(1);
    model->setToastHovered(true);
    advance(10);
    model->setToastHovered(false);
    advance(1);
    model->setOpenScreen(std::nullopt);
    advance(10);
    model->setOpenScreen(screen);
    advance(1.9);
    EXPECT_EQ(publishedHidden(), Titles{}) << "3.9 of 4 seconds have run";
    ASSERT_TRUE(model->undoClock());
    EXPECT_NEAR(model->undoClock()->remaining(main.now()), 0.1, 1e-6);
    advance(0.2);
    EXPECT_EQ(publishedHidden(), Titles{"a.png"});
}

TEST_F(ShelfModelTest, UndoBringsTheItemBackWithoutTheEngineAndDoesNothingWhenNothingIsPending) {
    put({"a.png", "b.png"});
    start();
    model->setOpenScreen(screen);
    std::vector<ShelfModel::Change> changes;
    model->observe([&](ShelfModel::Change change) { changes.push_back(change); });
    model->undo();
    EXPECT_TRUE(changes.empty()) << "undo with nothing pending";
    model->remove({item("a.png"), item("b.png")});
    EXPECT_EQ(model->pendingUndo()->message(), "Deleted 2 items");
    EXPECT_EQ(shown(), Titles{});
    model->undo();
    EXPECT_FALSE(model->pendingUndo());
    EXPECT_EQ(shown(), (Titles{"a.png", "b.png"}));
    EXPECT_TRUE(model->originalPaths().size() == 2) << "kept until the deletion is carried out";
    advance(10);
    EXPECT_EQ(published(), (Titles{"a.png", "b.png"}));
    EXPECT_FALSE(model->isUndoRunning());
}

TEST_F(ShelfModelTest, DeleteAllSparesWhatArrivesDuringTheWindow) {
    put({"a.png", "b.png"});
    start();
    model->hide(item("b.png"));
    model->commitPending();
    advance(0.2);
    ASSERT_EQ(publishedHidden(), Titles{"b.png"});
    model->setOpenScreen(screen);
    model->deleteAll();
    EXPECT_EQ(model->pendingUndo()->message(), "Deleted 2 items") << "items and hidden items";
    EXPECT_EQ(model->originalPaths().size(), 2u);
    add("late.png", 33);
    EXPECT_EQ(shown(), Titles{"late.png"});
    EXPECT_EQ(arrived.back(), Titles{"late.png"});
    advance(4);
    EXPECT_EQ(published(), Titles{"late.png"});
    EXPECT_EQ(publishedHidden(), Titles{});
    EXPECT_TRUE(model->originalPaths().empty());
}

TEST_F(ShelfModelTest, AnItemMustStayInViewHalfASecondToBeMarkedSeen) {
    put({"a.png", "b.png"});
    start();
    std::string a = item("a.png").id;
    std::string b = item("b.png").id;
    model->setVisibleRegion("strip", {a, b}, screen);
    advance(1);
    EXPECT_EQ(model->unreadCount(), 2u) << "nothing is seen in a closed drawer";
    model->setOpenScreen(screen);
    advance(0.3);
    model->setVisibleRegion("strip", {a}, screen);
    advance(0.1);
    model->setVisibleRegion("strip", {a, b}, screen);
    advance(0.25);
    EXPECT_EQ(model->unreadIDs(), std::set<std::string>{b}) << "a was in view 0.65 s, b came back 0.25 s ago";
    advance(0.2);
    EXPECT_EQ(model->unreadCount(), 1u);
    advance(0.2);
    EXPECT_EQ(model->unreadCount(), 0u);
}

TEST_F(ShelfModelTest, OnlyNewKeepsASeenItemUntilTheDrawerOpensAgain) {
    put({"a.png"});
    start();
    model->toggleOnlyNew();
    model->setOpenScreen(screen);
    model->itemAppeared(item("a.png").id, screen);
    advance(1);
    EXPECT_EQ(model->unreadCount(), 0u);
    EXPECT_EQ(shown(), Titles{"a.png"});
    model->setOpenScreen(std::nullopt);
    model->setOpenScreen(screen);
    EXPECT_EQ(shown(), Titles{});
    ASSERT_TRUE(model->emptyShelf());
    EXPECT_EQ(model->emptyShelf()->text, "No items match these filters.");
}

TEST_F(ShelfModelTest, ArrivalsAreAnnouncedAndMarkedNewWhileTheDrawerIsOpen) {
    put({"a.png"});
    start();
    EXPECT_EQ(arrived, std::vector<Titles>{{"a.png"}}) << "found by the start-up scan, after the saved shelf";
    add("b.png", 40);
    EXPECT_EQ(arrived.back(), Titles{"b.png"});
    EXPECT_EQ(model->arrivalTick(), 2u);
    EXPECT_TRUE(model->dotIDs().empty()) << "closed drawer";
    model->setOpenScreen(screen);
    EXPECT_EQ(model->dotIDs().size(), 2u) << "every unread item on opening";
    add("c.png", 41);
    EXPECT_TRUE(model->dotIDs().contains(item("c.png").id));
}

// The old engine captured b and posted its snapshot, which reaches the main queue only after the switch;
// an engine the shelf never heard from captured c. Neither is news when the new engine shows them first.
TEST_F(ShelfModelTest, ANewEngineAnnouncesNothingInItsFirstSnapshotNorDoesALateOneFromTheOld) {
    put({"a.png"});
    start();
    auto captureWithoutMain = [&](EngineHost& engineHost, const std::string& name) {
        put({name});
        std::string root = BrimlyPaths::canonicalPath(dir / "watched");
        EngineProbe::receive(engineHost.engine(), root, {root + "/" + name});
        for (int n = 0; n < 50; ++n) {
            clock.advance(0.01);
            queue.advance(0.01);
        }
    };
    captureWithoutMain(*host, "b.png");
    EXPECT_TRUE(host->stop());
    {
        EngineHost elsewhere(config(), clock, queue, main, {});
        elsewhere.start(false);
        captureWithoutMain(elsewhere, "c.png");
        EXPECT_TRUE(elsewhere.stop());
    }
    arrived.clear();
    start();
    EXPECT_EQ(published(), (Titles{"a.png", "b.png", "c.png"}));
    EXPECT_TRUE(arrived.empty());
    add("later.png", 50);
    EXPECT_EQ(arrived, std::vector<Titles>{{"later.png"}});
}

TEST(ShelfModelKeysTest, ASelectionTheKeyboardCanNoLongerReachIsDropped) {
    using Direction = ShelfSelection::Direction;
    ManualQueue main;
    ShelfModel model(main, {}, {}, {});
    model.receive(Snapshot{.items = {makeItem("a", "s1", 2), makeItem("b", "s2", 1)}});
    model.setLayout(ShelfLayoutKind::stacks);
    model.moveSelection(Direction::right);
    model.moveSelection(Direction::right);
    EXPECT_EQ(model.selectedItemID(), "b");
    model.toggleCollapsed("s2");
    EXPECT_FALSE(model.selectedItemID()) << "its session folded in the strip";
    model.toggleCollapsed("s2");
    model.setLayout(ShelfLayoutKind::rail);
    model.selectSession("s2");
    model.moveSelection(Direction::down);
    EXPECT_EQ(model.selectedItemID(), "b");
    model.selectSession("s1");
    EXPECT_FALSE(model.selectedItemID()) << "the rail shows another session";
}

TEST(ShelfModelKeysTest, ClosingTheDrawerHidesTheTip) {
    ManualQueue main;
    ShelfModel model(main, {}, {}, {});
    model.setOpenScreen(screen);
    model.tips().pointerMoved(ShelfTip{.title = "Filter"});
    main.advance(0.6);
    EXPECT_TRUE(model.tips().shown());
    model.setOpenScreen(std::nullopt);
    EXPECT_FALSE(model.tips().shown());
}

TEST(ShelfModelKeysTest, TheDrawersViewsGoAKeepAfterClosingAndAMenuOpenThenPostponesByAFullKeep) {
    ManualQueue main;
    ShelfModel model(main, {}, {}, {});
    int announced = 0;
    model.observe(
        [&](ShelfModel::Change change) { announced += change == ShelfModel::Change::drawerDisplays; });
    model.warmDrawer(screen);
    model.setOpenScreen(screen);
    EXPECT_EQ(announced, 1) << "built once";
    main.advance(2 * ShelfModel::drawerKeep);
    EXPECT_EQ(model.drawerDisplays(), std::set<DisplayID>{screen}) << "never cooled while open";
    model.setOpenScreen(std::nullopt);
    main.advance(ShelfModel::drawerKeep - 1);
    model.setMenuOpen(true);
    main.advance(ShelfModel::drawerKeep);
    EXPECT_EQ(model.drawerDisplays().size(), 1u) << "a menu open at the cool moment holds the views";
    model.setMenuOpen(false);
    main.advance(ShelfModel::drawerKeep + 1);
    EXPECT_TRUE(model.drawerDisplays().empty());
    EXPECT_EQ(announced, 2);
}

}  // namespace
}  // namespace brimly::testing
