#include <string>

#include "app/shelf/ShelfModel.h"

// The texts and structure of the shelf's menus and of its empty state.
namespace brimly {

namespace {

MenuItem actionItem(std::string title, std::function<void()> action, bool enabled = true) {
    return MenuItem{.title = std::move(title), .enabled = enabled, .action = std::move(action)};
}

std::function<void()> orNothing(const std::function<void()>& command) {
    return command ? command : [] {};
}

}  // namespace

std::vector<MenuItem> ShelfModel::headerMenu() {
    std::vector<MenuItem> menu;
    menu.push_back(actionItem("Settings…", orNothing(m_commands.settings)));

    const auto& hidden = m_visible.hidden;
    if (!hidden.empty()) {
        MenuItem recent{.kind = MenuItem::Kind::submenu, .title = "Recently Hidden"};
        for (std::size_t n = 0; n < hidden.size() && n < recentlyHiddenLimit; ++n) {
            recent.submenu.push_back(
                actionItem(hidden[n].title, [this, id = hidden[n].id] { unhide({id}); }));
        }
        recent.submenu.push_back(MenuItem::separator());
        std::vector<std::string> all;
        for (const auto& item : hidden) all.push_back(item.id);
        std::string title = hidden.size() == 1 ? "Unhide" : "Unhide All " + std::to_string(hidden.size());
        recent.submenu.push_back(actionItem(std::move(title), [this, all] { unhide(all); }));
        menu.push_back(std::move(recent));
    }

    menu.push_back(MenuItem::separator());
    bool anything = !m_visible.items.empty() || !hidden.empty();
    menu.push_back(actionItem(
        "Delete All Items", [this] { deleteAll(); }, anything));
    menu.push_back(MenuItem::separator());
    menu.push_back(actionItem("Quit Brimly", orNothing(m_commands.quit)));
    return menu;
}

std::vector<MenuItem> ShelfModel::filterMenu() {
    std::vector<MenuItem> menu;
    auto counts = m_filter.kindCounts(m_visible, m_dotIDs);
    for (KindFilter kind : KindFilters::allCases) {
        auto count = counts.find(kind);
        menu.push_back(MenuItem{
            .title = std::string(KindFilters::title(kind)),
            .secondary = std::to_string(count == counts.end() ? 0 : count->second),
            .checked = m_filter.kinds.contains(kind),
            .action = [this, kind] { toggleKind(kind); },
        });
    }
    menu.push_back(MenuItem::separator());
    menu.push_back(
        MenuItem{.title = "Only New", .checked = m_filter.onlyNew, .action = [this] { toggleOnlyNew(); }});
    menu.push_back(MenuItem::separator());
    menu.push_back(actionItem(
        "Clear Filters", [this] { clearFilters(); }, m_filter.isFiltering()));
    return menu;
}

std::string ShelfModel::projectLabel() const { return m_filter.project.value_or("All projects"); }

std::vector<MenuItem> ShelfModel::projectMenu() {
    std::vector<MenuItem> menu;
    menu.push_back(MenuItem{.title = "All Projects", .checked = !m_filter.project, .action = [this] {
                                setProject(std::nullopt);
                            }});
    menu.push_back(MenuItem::separator());
    for (const auto& project : ShelfFilter::projects(m_visible)) {
        menu.push_back(MenuItem{.title = project.name,
                                .checked = m_filter.project == project.name,
                                .action = [this, name = project.name] { setProject(name); }});
    }
    return menu;
}

std::optional<ShelfModel::EmptyShelf> ShelfModel::emptyShelf() const {
    if (!m_groups.empty()) return std::nullopt;
    if (m_filter.isFiltering()) return EmptyShelf{.text = "No items match these filters."};
    if (m_claudeFound && m_watchesFolders) {
        return EmptyShelf{
            .text =
                "Nothing yet. What Claude makes, and new files in your watched folders, will appear here."};
    }
    if (m_claudeFound) {
        return EmptyShelf{.text = "Nothing yet. Images, pages and documents Claude makes will appear here."};
    }
    if (m_watchesFolders)
        return EmptyShelf{.text = "Nothing yet. New files in your watched folders will appear here."};
    return EmptyShelf{.text = "Nothing here yet. Watch a folder, or run Claude Code.",
                      .buttonTitle = "Watch a Folder…",
                      .action = orNothing(m_commands.watchFolder)};
}

}  // namespace brimly
