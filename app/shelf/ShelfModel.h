#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/shelf/MenuItem.h"
#include "app/shelf/ShelfCommands.h"
#include "app/shelf/ShelfEngine.h"
#include "app/shelf/TipCentre.h"
#include "core/base/Env.h"
#include "core/base/SerialQueue.h"
#include "core/drawer/DisplayID.h"
#include "core/drawer/DisplayVisibility.h"
#include "core/drawer/DrawerLife.h"
#include "core/drawer/ShelfLayoutKind.h"
#include "core/engine/Engine.h"
#include "core/shelf/CollapsedSections.h"
#include "core/shelf/DeckFan.h"
#include "core/shelf/PressGate.h"
#include "core/shelf/SeenClock.h"
#include "core/shelf/SessionGroup.h"
#include "core/shelf/ShelfFilter.h"
#include "core/shelf/ShelfSelection.h"
#include "core/shelf/ShelfState.h"
#include "core/shelf/UndoClock.h"

namespace brimly {

// The app side's one model of the shelf: takes the engine's snapshots, keeps them with the pending removal
// in a `ShelfState`, derives what the drawer shows (filtered session groups, unread and "new" marks, menus)
// and turns the user's actions into state changes and engine calls. Main thread only; its timers run on
// the main queue and die with it, and views learn of changes through observers.
class ShelfModel {
public:
    // Which published value changed; observers re-read it from the model.
    enum class Change {
        groups,
        filter,
        collapsed,
        fan,
        unreadCount,
        arrivals,
        pendingUndo,
        selection,
        hoveredItem,
        compare,
        claudeFound,
        watchesFolders,
        openScreen,
        menuOpen,
        tip,
        busy,
        drawerDisplays,
    };
    using Observer = std::function<void(Change)>;

    struct Options {
        // Multiplies the undo window and the tidy delay (BRIMLY_MOTION_SCALE).
        double motionScale = 1;
    };
    struct Callbacks {
        std::function<void(const std::vector<ShelfItem>&)> onArrived;
        // The drawer closed: the shell hides tips and closes the preview and compare windows.
        std::function<void()> onDrawerClosed;
        // Escape asked to close the preview.
        std::function<void()> closePreview;
    };
    // The compared item as the compare viewer follows it across snapshots.
    struct Compared {
        std::string id;
        std::optional<std::string> path;
        std::string sessionID;
        bool operator==(const Compared&) const = default;
    };
    // What the drawer shows when no group is left; `action` is set only when there is a button.
    struct EmptyShelf {
        std::string text;
        std::optional<std::string> buttonTitle;
        std::function<void()> action;
    };

    static constexpr double undoWindow = 4;
    static constexpr double seenDelay = 0.5;
    static constexpr double tidyDelay = 0.1;
    // How long the drawer's views stay built after the drawer closed, so reopening is instant.
    static constexpr double drawerKeep = 30;
    static constexpr std::size_t recentlyHiddenLimit = 10;
    static constexpr std::string_view menuAccessibilityLabel = "Brimly menu";

    ShelfModel(SerialQueue& mainQueue, ShelfCommands commands, Options options, Callbacks callbacks);
    ~ShelfModel();
    ShelfModel(const ShelfModel&) = delete;
    ShelfModel& operator=(const ShelfModel&) = delete;

    // BRIMLY_MOTION_SCALE between 0.05 and 20; anything else gives 1.
    static double motionScale(const Environment& env);

    // Handlers for the construction of the engine that `attach` or `restart` is called with next:
    // snapshots and the Claude folder's presence reach this model while it lives and that engine is the
    // current one, and are dropped after. `onStatus` is passed through for the shell.
    Engine::Handlers engineHandlers(Engine::StatusHandler onStatus = {});
    // Before the main queue delivers anything from the engine.
    void attach(ShelfEngine& engine);
    // A new engine replaces the old one: the pending removal goes to the old engine first, and the new
    // engine's first snapshot announces nothing.
    void restart(ShelfEngine& engine);
    void receive(const Snapshot& snapshot);
    void setClaudeFound(bool found);
    void setWatchesFolders(bool watches);

    void observe(Observer observer) { m_observers.push_back(std::move(observer)); }

    const std::vector<SessionGroup>& groups() const { return m_groups; }
    const ShelfFilter& filter() const { return m_filter; }
    const CollapsedSections& collapsed() const { return m_collapsed; }
    const DeckFan& fan() const { return m_fan; }
    const Snapshot& visibleSnapshot() const { return m_visible; }
    const std::vector<Prompt>& prompts() const { return m_visible.prompts; }
    const ShelfState& state() const { return m_state; }
    const std::set<std::string>& unreadIDs() const { return m_unreadIDs; }
    std::size_t unreadCount() const { return m_unreadIDs.size(); }
    // Ids still marked new during the current drawer opening.
    const std::set<std::string>& dotIDs() const { return m_dotIDs; }
    const std::vector<ShelfItem>& arrivalItems() const { return m_arrivalItems; }
    std::uint64_t arrivalTick() const { return m_arrivalTick; }
    const std::optional<PendingUndo>& pendingUndo() const { return m_state.pending(); }
    const std::optional<UndoClock>& undoClock() const { return m_undoClock; }
    // True while the undo window is counting down.
    bool isUndoRunning() const { return m_undoTask.isActive(); }
    bool isToastHovered() const { return m_toastHovered; }
    const SeenClock& seenClock() const { return m_seenClock; }
    const std::map<std::string, std::string>& originalPaths() const { return m_originalPaths; }
    const std::optional<std::string>& hoveredItem() const { return m_hoveredItem; }
    const std::optional<std::string>& selectedSessionID() const { return m_selectedSessionID; }
    const std::optional<std::string>& selectedItemID() const { return m_selectedItemID; }
    const std::optional<Compared>& compared() const { return m_compared; }
    bool claudeFound() const { return m_claudeFound; }
    bool watchesFolders() const { return m_watchesFolders; }

    void hide(const ShelfItem& item);
    void remove(const std::vector<ShelfItem>& items);
    void deleteAll();
    void undo();
    void setToastHovered(bool hovered);
    // The undo window is over: the pending removal goes to the engine.
    void commitPending();
    void unhide(const std::vector<std::string>& ids);
    // Commits the pending removal, then stops the engine; true when the store was saved.
    [[nodiscard]] bool stop();
    void stopAsync(ShelfEngine::Done done);

    void toggleKind(KindFilter kind);
    void setProject(std::optional<std::string> project);
    void toggleOnlyNew();
    // Kinds and "Only New" go; the project stays.
    void clearFilters();
    // Folds or unfolds a turn, or a session together with its `turnIDs`.
    void toggleCollapsed(const std::string& id, const std::vector<std::string>& turnIDs = {});

    const std::optional<DisplayID>& openScreen() const { return m_openScreen; }
    void setOpenScreen(std::optional<DisplayID> display);
    const DisplayVisibility& visibility() const { return m_visibility; }
    void itemAppeared(const std::string& id, DisplayID display);
    void itemDisappeared(const std::string& id, DisplayID display);
    void setVisibleRegion(const std::string& name, const std::set<std::string>& ids, DisplayID display);
    // The displays whose drawer views are built; the views of the others let their images go.
    const std::set<DisplayID>& drawerDisplays() const { return m_life.displays(); }
    // The pointer is near `display`'s drawer, or it is opening: its views are built (or kept) now.
    void warmDrawer(DisplayID display);
    bool isMenuOpen() const { return m_menuOpen; }
    void setMenuOpen(bool open);

    TipCentre& tips() { return m_tips; }
    // The preview or compare window showing, or a drag out in progress, keeps the drawer from cooling down.
    bool isBusy() const { return m_previewShowing || m_dragging; }
    bool isDragging() const { return m_dragging; }
    void setPreviewShowing(bool showing);
    void setDragging(bool dragging);

    PressGate& presses() { return m_presses; }
    void setHoveredItem(std::optional<std::string> id);
    void selectSession(std::optional<std::string> sessionID);
    void selectItem(std::optional<std::string> id);
    // The layout the drawer shows, which decides what the keyboard can select.
    void setLayout(ShelfLayoutKind layout);
    void moveSelection(ShelfSelection::Direction direction);
    // True when the click was used up by opening the deck.
    bool clickDeck(const std::string& turnID, std::size_t itemCount, bool holdsSelection);
    // Undoes one level: the preview, the selection, then an open deck.
    DeckFan::EscapeStep escape();
    void openCompare(const ShelfItem& item);
    void closeCompare();

    std::vector<MenuItem> headerMenu();
    // The filter button's label; absent while nothing is filtered.
    std::optional<std::string> filterLabel() const { return m_filter.chipLabel(); }
    std::vector<MenuItem> filterMenu();
    std::string projectLabel() const;
    std::vector<MenuItem> projectMenu();
    // Absent while there is something to show.
    std::optional<EmptyShelf> emptyShelf() const;

private:
    void notify(Change change);
    void rebuild();
    void refreshSeen();
    void holdRemoval(PendingUndo removal);
    void reevaluateUndo();
    void carryOut(const EngineCommand& command);
    void tidy();
    void setFilter(ShelfFilter filter);
    const SessionGroup* selectedGroup() const;
    // A selection that folding or a removal made unreachable goes.
    void dropUnreachableSelection();
    void armCooling();

    SerialQueue& m_queue;
    ShelfCommands m_commands;
    Options m_options;
    Callbacks m_callbacks;
    ShelfEngine* m_engine = nullptr;
    std::vector<Observer> m_observers;
    // Engine handlers hold this weakly, so a snapshot posted before the model went finds nobody.
    std::shared_ptr<ShelfModel*> m_alive;
    std::uint64_t m_handlerGeneration = 0;
    std::uint64_t m_engineGeneration = 0;

    ShelfState m_state;
    Snapshot m_visible;
    std::vector<SessionGroup> m_groups;
    ShelfFilter m_filter;
    CollapsedSections m_collapsed;
    DeckFan m_fan;
    std::set<std::string> m_unreadIDs;
    std::set<std::string> m_dotIDs;
    std::vector<ShelfItem> m_arrivalItems;
    std::uint64_t m_arrivalTick = 0;
    TaskHandle m_undoTask;
    std::optional<UndoClock> m_undoClock;
    bool m_toastHovered = false;
    SeenClock m_seenClock{seenDelay};
    TaskHandle m_seenTimer;
    DisplayVisibility m_visibility;
    PressGate m_presses;
    std::optional<std::string> m_hoveredItem;
    std::optional<std::string> m_selectedSessionID;
    std::optional<std::string> m_selectedItemID;
    std::optional<Compared> m_compared;
    bool m_claudeFound = false;
    bool m_watchesFolders = false;
    std::map<std::string, std::string> m_originalPaths;
    std::optional<DisplayID> m_openScreen;
    bool m_menuOpen = false;
    TaskHandle m_tidyTask;
    DrawerLife m_life;
    TaskHandle m_coolTask;
    TipCentre m_tips;
    bool m_previewShowing = false;
    bool m_dragging = false;
    ShelfLayoutKind m_layout = ShelfLayoutKind::stacks;
};

}  // namespace brimly
