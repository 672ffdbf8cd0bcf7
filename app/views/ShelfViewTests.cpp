#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QWheelEvent>

#include "app/shelf/ShelfModelTestSupport.h"
#include "app/views/EmptyShelfView.h"
#include "app/views/ShelfHeader.h"
#include "app/views/ShelfView.h"
#include "app/views/UndoToast.h"

namespace brimly {
namespace {

using testing::ShelfModelTest;
using Titles = std::vector<std::string>;
constexpr DisplayID screen = 7;

// The rendered menu shows the menu data item for item: titles with their counts, checks, enabled states.
void expectRendered(const QMenu& menu, const std::vector<MenuItem>& items) {
    QList<QAction*> actions = menu.actions();
    ASSERT_EQ(std::size_t(actions.size()), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        const QAction& action = *actions[qsizetype(i)];
        EXPECT_EQ(action.isSeparator(), item.kind == MenuItem::Kind::separator) << i;
        if (item.kind == MenuItem::Kind::separator) continue;
        std::string text = item.title + (item.secondary ? "\t" + *item.secondary : "");
        EXPECT_EQ(action.text().toStdString(), text);
        EXPECT_EQ(action.isChecked(), item.checked) << text;
        EXPECT_EQ(action.isEnabled(), item.enabled) << text;
        if (item.kind == MenuItem::Kind::submenu) {
            ASSERT_NE(action.menu(), nullptr) << text;
            expectRendered(*action.menu(), item.submenu);
        }
    }
}

QAction* actionTitled(const QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions()) {
        if (action->text() == title) return action;
    }
    return nullptr;
}

void mouse(QWidget& view, QEvent::Type type, QPointF at, Qt::MouseButton button) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, view.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

void wheel(QWidget& view, int angle) {
    QPointF at(view.width() / 2.0, view.height() / 2.0);
    QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &event);
}

class ShelfViewTest : public ShelfModelTest {
protected:
    void open() {
        model->setOpenScreen(screen);
        view = std::make_unique<ShelfView>(*model, ShelfView::Options{.display = screen});
        view->resize(420, 140);
        view->show();
    }
    // The cards whose thumbnails lie at least partly inside the strip at the current scroll offset.
    std::set<std::string> inViewport() const {
        std::set<std::string> ids;
        for (const auto& deck : view->shelfLayout().decks) {
            for (const auto& card : deck.cards) {
                if (view->onScreen(card.thumb).intersects(view->stripArea())) ids.insert(card.item->id);
            }
        }
        return ids;
    }
    std::unique_ptr<ShelfView> view;
};

TEST_F(ShelfViewTest, HeaderMenusRenderTheModelsMenusAndHoldTheDrawerOpenWhileShown) {
    put({"a.png", "b.png"});
    start();
    model->toggleKind(KindFilter::images);
    open();
    using Menu = ShelfHeader::Menu;
    const std::vector<std::pair<Menu, std::function<std::vector<MenuItem>()>>> menus = {
        {Menu::project, [&] { return model->projectMenu(); }},
        {Menu::filter, [&] { return model->filterMenu(); }},
        {Menu::main, [&] { return model->headerMenu(); }},
    };
    for (const auto& [which, items] : menus) {
        QMenu& menu = view->header().menu(which);
        Q_EMIT menu.aboutToShow();
        EXPECT_TRUE(model->isMenuOpen());
        expectRendered(menu, items());
        Q_EMIT menu.aboutToHide();
        EXPECT_FALSE(model->isMenuOpen());
    }
    EXPECT_TRUE(view->header().button(Menu::filter).text().startsWith("Images"));
    EXPECT_EQ(view->header().button(Menu::main).accessibleName(), "Brimly menu");

    QMenu& filters = view->header().menu(Menu::filter);
    Q_EMIT filters.aboutToShow();
    ASSERT_NE(actionTitled(filters, "Only New"), nullptr);
    actionTitled(filters, "Only New")->trigger();
    EXPECT_TRUE(model->filter().onlyNew);
    EXPECT_TRUE(view->header().button(Menu::filter).text().startsWith("2 filters"));

    // A side panel's header folds the filter and shortens the project label instead of clipping buttons;
    // their tips (the drawer's own) say the whole label.
    view->resize(204, 480);
    ShelfHeader& header = view->header();
    for (Menu which : {Menu::project, Menu::filter, Menu::main}) {
        const QToolButton& button = header.button(which);
        EXPECT_TRUE(header.rect().contains(button.geometry())) << int(which);
        EXPECT_GE(button.width(), button.sizeHint().width()) << int(which);
    }
    QToolButton& filter = header.button(Menu::filter);
    EXPECT_EQ(filter.toolButtonStyle(), Qt::ToolButtonIconOnly);
    QString project = header.button(Menu::project).text();
    EXPECT_TRUE(project == QString::fromStdString(model->projectLabel()) + QStringLiteral(" \u25be") ||
                project.endsWith(QStringLiteral("\u2026 \u25be")))
        << project.toStdString();
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&filter, &enter);
    advance(1);
    ASSERT_TRUE(model->tips().shown());
    EXPECT_EQ(model->tips().shown()->title, *model->filterLabel());
    ASSERT_TRUE(view->tipFrame());
    EXPECT_GT(view->tipFrame()->top(), header.geometry().bottom())
        << "below the header, which would cover it";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&filter, &leave);
    EXPECT_FALSE(model->tips().shown());
    view->resize(420, 140);
    EXPECT_EQ(filter.toolButtonStyle(), Qt::ToolButtonTextOnly);
}

TEST(EmptyShelfViewTest, FollowsTheModelsTextAndItsButtonRunsTheAction) {
    ManualQueue main;
    int watchFolder = 0;
    ShelfModel model(main, ShelfCommands{.watchFolder = [&] { ++watchFolder; }}, {}, {});
    ShelfView view(model, {});
    view.resize(420, 140);
    view.show();
    const EmptyShelfView& empty = view.emptyState();
    ASSERT_TRUE(empty.isVisible());
    EXPECT_EQ(empty.text().text(), "Nothing here yet. Watch a folder, or run Claude Code.");
    ASSERT_TRUE(empty.button().isVisible());
    EXPECT_EQ(empty.button().text(), "Watch a Folder\u2026");
    empty.button().click();
    EXPECT_EQ(watchFolder, 1);

    model.setWatchesFolders(true);
    EXPECT_EQ(empty.text().text(), "Nothing yet. New files in your watched folders will appear here.");
    EXPECT_FALSE(empty.button().isVisible());
}

TEST_F(ShelfViewTest, TheToastShowsThePendingRemovalAndItsHoverReachesTheModel) {
    put({"a.png", "b.png"});
    start();
    open();
    UndoToast& toast = view->toast();
    EXPECT_FALSE(toast.isVisible());
    model->hide(item("a.png"));
    ASSERT_TRUE(toast.isVisible());
    EXPECT_EQ(toast.message().text().toStdString(), model->pendingUndo()->message());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&toast, &enter);
    EXPECT_TRUE(model->isToastHovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&toast, &leave);
    EXPECT_FALSE(model->isToastHovered());

    QApplication::sendEvent(&toast, &enter);
    toast.undoButton().click();
    EXPECT_FALSE(model->pendingUndo());
    EXPECT_EQ(shown(), (Titles{"a.png", "b.png"}));
    EXPECT_FALSE(toast.isVisible());
    EXPECT_FALSE(model->isToastHovered()) << "a toast gone from under the pointer holds nothing";
}

TEST_F(ShelfViewTest, ReportsTheCardsActuallyInViewAfterEachScroll) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) names.push_back("p" + std::to_string(10 + i) + ".png");
    put(names);
    start();
    open();
    const Turn& turn = model->groups().front().turns.front();
    model->clickDeck(turn.id, turn.items.size(), false);
    ASSERT_EQ(view->shelfLayout().decks.front().cards.size(), 12u) << "the opened deck lays out every card";

    std::string first = view->shelfLayout().decks.front().cards.front().item->id;
    std::string last = view->shelfLayout().decks.front().cards.back().item->id;
    EXPECT_EQ(model->visibility().visible(screen), inViewport());
    EXPECT_TRUE(inViewport().contains(first));
    EXPECT_FALSE(inViewport().contains(last));

    wheel(*view, -120 * 3);
    EXPECT_GT(view->scrollOffset(), 0);
    EXPECT_EQ(model->visibility().visible(screen), inViewport());
    EXPECT_FALSE(model->visibility().visible(screen).contains(first));

    for (int i = 0; i < 30; ++i) wheel(*view, -120);
    EXPECT_EQ(model->visibility().visible(screen), inViewport());
    EXPECT_TRUE(model->visibility().visible(screen).contains(last)) << "the strip stops at its end";

    view->hide();
    EXPECT_EQ(model->visibility().visible(screen), std::set<std::string>{});
}

TEST_F(ShelfViewTest, AClickOpensAPileThenItsCardAPressAndMoveDragsOutARightClickAsksForTheMenu) {
    put({"a.png", "b.png", "c.png"});
    start();
    open();
    Titles opened, dragged, menus;
    view->setActions({
        .open = [&](const ShelfItem& item) { opened.push_back(item.title); },
        .contextMenu = [&](const ShelfItem& item, QPoint) { menus.push_back(item.title); },
        .dragOut = [&](const ShelfItem& item, QWidget*) { dragged.push_back(item.title); },
    });
    auto centre = [&](std::size_t card) {
        return view->onScreen(view->shelfLayout().decks.front().cards.at(card).thumb).center();
    };
    auto titleOf = [&](std::size_t card) {
        return view->shelfLayout().decks.front().cards.at(card).item->title;
    };
    auto click = [&](QPointF at) {
        mouse(*view, QEvent::MouseButtonPress, at, Qt::LeftButton);
        mouse(*view, QEvent::MouseButtonRelease, at, Qt::LeftButton);
    };
    ASSERT_EQ(view->shelfLayout().decks.front().cards.size(), 1u) << "three items of one turn make a pile";
    click(centre(0));
    EXPECT_EQ(opened, Titles{}) << "the first click opens the pile";
    ASSERT_EQ(view->shelfLayout().decks.front().cards.size(), 3u);

    std::string second = titleOf(1);
    click(centre(1));
    EXPECT_EQ(opened, Titles{second});
    EXPECT_EQ(model->selectedItemID(), view->shelfLayout().decks.front().cards.at(1).item->id);

    std::string third = titleOf(2);
    QPointF from = centre(2);
    mouse(*view, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(*view, QEvent::MouseMove, from + QPointF(QApplication::startDragDistance() + 2, 0), Qt::LeftButton);
    mouse(*view, QEvent::MouseButtonRelease, from, Qt::LeftButton);
    EXPECT_EQ(dragged, Titles{third});
    EXPECT_EQ(opened, Titles{second}) << "a drag is no click";

    mouse(*view, QEvent::MouseButtonPress, centre(0), Qt::RightButton);
    EXPECT_EQ(menus, Titles{titleOf(0)});
}

TEST_F(ShelfViewTest, KeysMoveTheSelectionAsTheLayoutsSectionsSayAndActOnTheSelectedItem) {
    put({"a.png", "b.png", "c.png"});
    start();
    open();
    using Direction = ShelfSelection::Direction;
    // clang-format off
    const std::tuple<ShelfLayoutKind, int, Direction> presses[] = {
        {ShelfLayoutKind::stacks, Qt::Key_Right, Direction::right},
        {ShelfLayoutKind::stacks, Qt::Key_Right, Direction::right},
        {ShelfLayoutKind::stacks, Qt::Key_Down,  Direction::down},
        {ShelfLayoutKind::stacks, Qt::Key_Left,  Direction::left},
        {ShelfLayoutKind::rail,   Qt::Key_Right, Direction::right},
        {ShelfLayoutKind::rail,   Qt::Key_Down,  Direction::down},
        {ShelfLayoutKind::rail,   Qt::Key_Up,    Direction::up},
        {ShelfLayoutKind::column, Qt::Key_Right, Direction::right},
        {ShelfLayoutKind::column, Qt::Key_Down,  Direction::down},
        {ShelfLayoutKind::sideStacks, Qt::Key_Down, Direction::down},
        {ShelfLayoutKind::sideStacks, Qt::Key_Up,   Direction::up},
    };
    // clang-format on
    for (const auto& [kind, key, direction] : presses) {
        view->setLayoutKind(kind);
        const SessionGroup* selected = nullptr;
        for (const auto& group : model->groups()) {
            if (group.session.id == model->selectedSessionID()) selected = &group;
        }
        auto sections = ShelfSelection::selection(model->collapsed(), kind, model->groups(), selected);
        auto expected =
            ShelfSelection::move(model->selectedItemID(), direction, sections.sections, sections.columns);
        EXPECT_TRUE(view->handleKey(key, Qt::NoModifier));
        EXPECT_EQ(model->selectedItemID(), expected) << rawValue(kind) << " key " << key;
    }

    Titles opened;
    view->setActions({.open = [&](const ShelfItem& item) { opened.push_back(item.title); }});
    std::string selected = *model->selectedItemID();
    std::string title;
    for (const auto& shelfItem : model->visibleSnapshot().items) {
        if (shelfItem.id == selected) title = shelfItem.title;
    }
    EXPECT_TRUE(view->handleKey(Qt::Key_Space, Qt::NoModifier));
    EXPECT_EQ(opened, Titles{title});

    EXPECT_TRUE(view->handleKey(Qt::Key_Delete, Qt::NoModifier));
    ASSERT_TRUE(model->pendingUndo());
    EXPECT_EQ(shown().size(), 2u);
    EXPECT_FALSE(view->handleKey(Qt::Key_Z, Qt::NoModifier));
    EXPECT_TRUE(view->handleKey(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_FALSE(model->pendingUndo());
    EXPECT_EQ(shown(), (Titles{"a.png", "b.png", "c.png"}));
}

TEST_F(ShelfViewTest, TheSideLayoutsScrollDownAndReportTheCardsInView) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) names.push_back("p" + std::to_string(10 + i) + ".png");
    put(names);
    start();
    open();
    for (auto [kind, size] : {std::pair(ShelfLayoutKind::column, QSize(480, 320)),
                              std::pair(ShelfLayoutKind::sideStacks, QSize(204, 480))}) {
        view->resize(size);
        view->setLayoutKind(kind);
        const Turn& turn = model->groups().front().turns.front();
        if (!model->fan().isFanned(turn.id, turn.items.size(), false))
            model->clickDeck(turn.id, turn.items.size(), false);
        const auto& cards = view->shelfLayout().decks.front().cards;
        ASSERT_EQ(cards.size(), 12u) << rawValue(kind);
        std::string first = cards.front().item->id;
        std::string last = cards.back().item->id;
        EXPECT_EQ(model->visibility().visible(screen), inViewport()) << rawValue(kind);
        EXPECT_TRUE(inViewport().contains(first)) << rawValue(kind);
        EXPECT_FALSE(inViewport().contains(last)) << rawValue(kind);

        wheel(*view, -120 * 8);
        EXPECT_GT(view->scrollOffset(), 0) << rawValue(kind);
        EXPECT_EQ(model->visibility().visible(screen), inViewport()) << rawValue(kind);
        EXPECT_FALSE(model->visibility().visible(screen).contains(first)) << rawValue(kind);

        for (int i = 0; i < 40; ++i) wheel(*view, -120);
        EXPECT_EQ(model->visibility().visible(screen), inViewport()) << rawValue(kind);
        EXPECT_TRUE(model->visibility().visible(screen).contains(last)) << rawValue(kind);
    }
}

TEST_F(ShelfViewTest, AShortenedTitleGetsABubbleWhileTheModelShowsItsTip) {
    const std::string longName = "a-screenshot-with-a-name-far-too-long-for-the-narrow-side-panel.png";
    put({"a.png", longName});
    start();
    open();
    view->resize(204, 480);
    view->setLayoutKind(ShelfLayoutKind::sideStacks);
    const Turn& turn = model->groups().front().turns.front();
    model->clickDeck(turn.id, turn.items.size(), false);
    // clang-format off
    const std::pair<std::string, bool> cases[] = {
        {"a.png",  false},
        {longName, true},
    };
    // clang-format on
    for (const auto& [name, tipped] : cases) {
        const ShelfLayout::Card* card = nullptr;
        for (const auto& deck : view->shelfLayout().decks) {
            for (const auto& c : deck.cards) {
                if (c.item->title == name) card = &c;
            }
        }
        ASSERT_NE(card, nullptr) << name;
        view->grab();
        QRectF frame = view->onScreen(card->frame);
        mouse(*view, QEvent::MouseMove, frame.center(), Qt::NoButton);
        QImage before = view->grab().toImage();
        advance(1);
        ASSERT_EQ(model->tips().shown().has_value(), tipped) << name;
        ASSERT_EQ(view->tipFrame().has_value(), tipped) << name;
        if (!tipped) continue;
        EXPECT_EQ(model->tips().shown()->title, name);
        QRect bubble = view->tipFrame()->toAlignedRect();
        EXPECT_TRUE(view->stripArea().contains(*view->tipFrame()));
        EXPECT_GT(view->tipFrame()->height(), 2 * 16.0) << "a title wider than the panel wraps";
        EXPECT_TRUE(bubble.intersects(frame.toAlignedRect())) << "the bubble sits on its card";
        EXPECT_NE(view->grab().toImage().copy(bubble), before.copy(bubble)) << "the bubble is drawn";
        view->resize(204, 470);
        view->grab();
        EXPECT_TRUE(view->tipFrame()) << "a relayout keeps the tip of the card still under the pointer";
        view->resize(204, 480);

        model->tips().hide();
        EXPECT_FALSE(view->tipFrame());
        EXPECT_EQ(view->grab().toImage().copy(bubble), before.copy(bubble)) << "and goes with the tip";
    }
}

TEST_F(ShelfViewTest, CardTimesAreRewrittenOnceAMinuteOnlyWhileTheViewShows) {
    put({"a.png"});
    start();
    open();
    const QTimer& minutes = view->timeRefresh();
    EXPECT_TRUE(minutes.isActive());
    EXPECT_EQ(minutes.interval(), 60 * 1000);
    view->grab();
    const auto& card = view->shelfLayout().decks.front().cards.front();
    ASSERT_TRUE(card.texts);
    QMetaObject::invokeMethod(const_cast<QTimer*>(&minutes), "timeout");
    EXPECT_FALSE(card.texts) << "the next paint writes the time anew";
    view->grab();
    EXPECT_TRUE(card.texts);

    view->hide();
    EXPECT_FALSE(minutes.isActive());
    view->show();
    EXPECT_TRUE(minutes.isActive());
}

TEST_F(ShelfViewTest, OnlyTheRailLayoutDrawsARailDivider) {
    put({"a.png"});
    start();
    open();
    // clang-format off
    const std::tuple<ShelfLayoutKind, QSize, bool> cases[] = {
        {ShelfLayoutKind::rail,       QSize(720, 320), true},
        {ShelfLayoutKind::column,     QSize(480, 480), false},
        {ShelfLayoutKind::sideStacks, QSize(204, 480), false},
    };
    // clang-format on
    for (const auto& [kind, size, divided] : cases) {
        view->resize(size);
        view->setLayoutKind(kind);
        // Below the last deck the panel is empty but for a divider.
        const auto& layout = view->shelfLayout();
        int y = int(view->onScreen(layout.decks.back().frame).bottom()) + 8;
        int x = int(view->stripArea().left() + layout.railWidth + ViewLook::grid);
        ASSERT_LT(y, size.height()) << rawValue(kind);
        QImage image = view->grab().toImage();
        bool line = false;
        for (int at = 0; at < x; ++at) line = line || image.pixel(at, y) != image.pixel(x, y);
        EXPECT_EQ(line, divided) << rawValue(kind);
    }
}

}  // namespace
}  // namespace brimly
