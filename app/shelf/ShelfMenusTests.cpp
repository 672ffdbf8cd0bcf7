#include "app/shelf/ShelfModelTestSupport.h"
#include "core/shelf/ShelfTestItems.h"

namespace brimly::testing {
namespace {

using Titles = std::vector<std::string>;

// The rendered form of a menu: one line per item, "-" for a separator, "[x]" for a check mark, "(off)" when
// disabled, the secondary text after a bar, a submenu's items indented below it.
Titles render(const std::vector<MenuItem>& menu, const std::string& indent = "") {
    Titles lines;
    for (const auto& item : menu) {
        if (item.kind == MenuItem::Kind::separator) {
            lines.push_back(indent + "-");
            continue;
        }
        std::string line = indent + (item.checked ? "[x] " : "") + item.title;
        if (item.secondary) line += " | " + *item.secondary;
        if (!item.enabled) line += " (off)";
        lines.push_back(line);
        for (const auto& sub : render(item.submenu, indent + "  ")) lines.push_back(sub);
    }
    return lines;
}

const MenuItem& find(const std::vector<MenuItem>& menu, const std::string& title) {
    for (const auto& item : menu) {
        if (item.title == title) return item;
        for (const auto& sub : item.submenu) {
            if (sub.title == title) return sub;
        }
    }
    ADD_FAILURE() << "no menu item " << title;
    return menu.front();
}

ShelfModel makeModel(ManualQueue& main, ShelfCommands commands = {}) {
    return ShelfModel(main, std::move(commands), {}, {});
}

TEST(ShelfMenusTest, EmptyShelfTextFollowsFolderPresenceAndFilters) {
    struct Case {
        bool claudeFound;
        bool watchesFolders;
        bool filtering;
        std::string text;
        bool button;
    };
    // clang-format off
    const Case cases[] = {
        {true,  true,  false, "Nothing yet. What Claude makes, and new files in your watched folders, will appear here.", false},
        {true,  false, false, "Nothing yet. Images, pages and documents Claude makes will appear here.", false},
        {false, true,  false, "Nothing yet. New files in your watched folders will appear here.", false},
        {false, false, false, "Nothing here yet. Watch a folder, or run Claude Code.", true},
        {true,  true,  true,  "No items match these filters.", false},
        {false, false, true,  "No items match these filters.", false},
    };
    // clang-format on
    for (const auto& c : cases) {
        ManualQueue main;
        int watchAsked = 0;
        ShelfModel model(main, ShelfCommands{.watchFolder = [&] { ++watchAsked; }}, {}, {});
        model.receive(Snapshot{.items = {makeItem("a", "s", 10)}});
        ASSERT_FALSE(model.emptyShelf()) << "something to show";
        model.setClaudeFound(c.claudeFound);
        model.setWatchesFolders(c.watchesFolders);
        if (c.filtering) model.toggleKind(KindFilter::video);
        model.receive(Snapshot{.items = c.filtering ? std::vector<ShelfItem>{makeItem("a", "s", 10)}
                                                    : std::vector<ShelfItem>{}});
        auto empty = model.emptyShelf();
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->text, c.text);
        EXPECT_EQ(empty->buttonTitle.has_value(), c.button) << c.text;
        if (empty->action) empty->action();
        EXPECT_EQ(watchAsked, c.button ? 1 : 0) << c.text;
    }
}

TEST(ShelfMenusTest, HeaderMenuShowsRecentlyHiddenOnlyWithHiddenItemsAndDisablesDeleteAllWhenEmpty) {
    struct Case {
        std::size_t items;
        std::size_t hidden;
        Titles menu;
    };
    // clang-format off
    const Case cases[] = {
        {0, 0, {"Settings…", "-", "Delete All Items (off)", "-", "Quit Brimly"}},
        {1, 0, {"Settings…", "-", "Delete All Items", "-", "Quit Brimly"}},
        {0, 1, {"Settings…", "Recently Hidden", "  h0.png", "  -", "  Unhide", "-", "Delete All Items", "-", "Quit Brimly"}},
        {0, 2, {"Settings…", "Recently Hidden", "  h0.png", "  h1.png", "  -", "  Unhide All 2", "-", "Delete All Items", "-", "Quit Brimly"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        ManualQueue main;
        ShelfModel model = makeModel(main);
        Snapshot snapshot;
        for (std::size_t n = 0; n < c.items; ++n)
            snapshot.items.push_back(makeItem("i" + std::to_string(n), "s", 1));
        for (std::size_t n = 0; n < c.hidden; ++n)
            snapshot.hidden.push_back(makeItem("h" + std::to_string(n), "s", 1));
        model.receive(snapshot);
        EXPECT_EQ(render(model.headerMenu()), c.menu) << c.items << " items, " << c.hidden << " hidden";
    }
}

TEST(ShelfMenusTest, FilterMenuCountsChecksAndClears) {
    ManualQueue main;
    ShelfModel model = makeModel(main);
    model.receive(Snapshot{.items = {makeItem("a", "s", 3), makeItem("b", "s", 2),
                                     ofKind(makeItem("c", "s", 1), ShelfItemKind::pdf),
                                     seen(ofKind(makeItem("d", "s", 1), ShelfItemKind::document))}});
    // clang-format off
    EXPECT_EQ(render(model.filterMenu()), (Titles{
        "Images | 2", "Pages | 0", "Documents | 2", "Artifacts | 0", "Video | 0", "Audio | 0", "Other | 0",
        "-", "Only New", "-", "Clear Filters (off)"}));
    // clang-format on
    EXPECT_FALSE(model.filterLabel());
    find(model.filterMenu(), "Documents").choose();
    find(model.filterMenu(), "Only New").choose();
    auto menu = render(model.filterMenu());
    EXPECT_EQ(menu[2], "[x] Documents | 1") << "only the unread pdf is new";
    EXPECT_EQ(menu[8], "[x] Only New");
    EXPECT_EQ(menu[10], "Clear Filters");
    EXPECT_EQ(model.filterLabel(), "2 filters");
    EXPECT_EQ(Titles{"c"}, idsOf(model.groups().front().items()));
    find(model.filterMenu(), "Clear Filters").choose();
    EXPECT_EQ(model.filter(), ShelfFilter{});
}

TEST(ShelfMenusTest, ProjectSwitcherListsProjectsByCountAndKeepsThemOnClear) {
    ManualQueue main;
    ShelfModel model = makeModel(main);
    Snapshot snapshot{.items = {makeItem("a", "web", 3), makeItem("b", "web", 2), makeItem("c", "api", 1)},
                      .sessions = {makeSession("web", 3, "/src/web"), makeSession("api", 1, "/src/api")}};
    model.receive(snapshot);
    EXPECT_EQ(model.projectLabel(), "All projects");
    EXPECT_EQ(render(model.projectMenu()), (Titles{"[x] All Projects", "-", "web", "api"}));
    find(model.projectMenu(), "api").choose();
    EXPECT_EQ(model.projectLabel(), "api");
    EXPECT_EQ(render(model.projectMenu()), (Titles{"All Projects", "-", "web", "[x] api"}));
    model.toggleKind(KindFilter::images);
    model.clearFilters();
    EXPECT_EQ(model.projectLabel(), "api") << "Clear Filters keeps the project";
    // The project's last item goes: the switcher falls back to all projects.
    model.remove({snapshot.items[2]});
    EXPECT_EQ(model.projectLabel(), "All projects");
}

// Eleven and more hidden items: the submenu lists ten, "Unhide All" brings back every one.
TEST_F(ShelfModelTest, RecentlyHiddenListsTenButUnhideAllUnhidesAll) {
    Titles names;
    for (int n = 0; n < 12; ++n) names.push_back("p" + std::to_string(n) + ".png");
    put(names);
    start();
    std::vector<std::string> ids;
    for (const auto& visible : model->visibleSnapshot().items) ids.push_back(visible.id);
    host->engine().hide(ids);
    advance(0.2);
    ASSERT_EQ(model->visibleSnapshot().hidden.size(), 12u);
    auto menu = model->headerMenu();
    const auto& recent = find(menu, "Recently Hidden");
    ASSERT_EQ(recent.submenu.size(), 12u) << "ten items, a separator and Unhide All";
    EXPECT_EQ(recent.submenu.back().title, "Unhide All 12");
    recent.submenu.back().choose();
    advance(0.2);
    EXPECT_EQ(publishedHidden(), Titles{});
    EXPECT_EQ(shown().size(), 12u);
}

}  // namespace
}  // namespace brimly::testing
