#include "app/shelf/ShelfModel.h"

#include <algorithm>

#include "core/base/Overloaded.h"
#include "core/shelf/CompareNavigation.h"
#include "core/shelf/ShelfGroups.h"
#include "core/shelf/Turn.h"

namespace brimly {

ShelfModel::ShelfModel(SerialQueue& mainQueue, ShelfCommands commands, Options options, Callbacks callbacks)
    : m_queue(mainQueue),
      m_commands(std::move(commands)),
      m_options(options),
      m_callbacks(std::move(callbacks)),
      m_alive(std::make_shared<ShelfModel*>(this)),
      m_life(drawerKeep * options.motionScale),
      m_tips(mainQueue, options.motionScale, [this] { notify(Change::tip); }) {}

ShelfModel::~ShelfModel() = default;

double ShelfModel::motionScale(const Environment& env) {
    return Env::doubleValue("BRIMLY_MOTION_SCALE", 1, 0.05, 20, env);
}

Engine::Handlers ShelfModel::engineHandlers(Engine::StatusHandler onStatus) {
    std::weak_ptr<ShelfModel*> alive = m_alive;
    std::uint64_t generation = ++m_handlerGeneration;
    // What a replaced engine posted before it stopped is dropped: applied after `restart`, an old snapshot
    // would use up the new engine's silent first one.
    auto current = [alive, generation]() -> ShelfModel* {
        auto model = alive.lock();
        return model && (*model)->m_engineGeneration == generation ? *model : nullptr;
    };
    return Engine::Handlers{
        .onSnapshot =
            [current](std::shared_ptr<const Snapshot> snapshot) {
                if (auto* model = current(); model && snapshot) model->receive(*snapshot);
            },
        .onClaudeFound =
            [current](bool found) {
                if (auto* model = current()) model->setClaudeFound(found);
            },
        .onStatus = std::move(onStatus),
    };
}

void ShelfModel::attach(ShelfEngine& engine) {
    m_engine = &engine;
    m_engineGeneration = m_handlerGeneration;
}

void ShelfModel::restart(ShelfEngine& engine) {
    commitPending();
    attach(engine);
    m_state.restart();
}

void ShelfModel::notify(Change change) {
    // A copy, so that an observer may add another while being told.
    auto observers = m_observers;
    for (const auto& observer : observers) observer(change);
}

void ShelfModel::receive(const Snapshot& snapshot) {
    if (m_compared) {
        auto target = CompareNavigation::target(m_compared->id, m_compared->path, m_compared->sessionID,
                                                snapshot.items);
        if (!target) {
            closeCompare();
        } else if (target->id != m_compared->id) {
            m_compared = Compared{target->id, target->sourcePath, target->sessionID};
            notify(Change::compare);
        }
    }

    std::vector<ShelfItem> arrivals = m_state.apply(snapshot);
    m_visible = m_state.visible();

    // Folded sessions of the strip layouts share the set with folded turns, so both kinds of id are kept.
    std::set<std::string> keeping;
    for (const auto& item : m_visible.items) {
        keeping.insert(Turn::idFor(item));
        keeping.insert(item.sessionID);
    }
    CollapsedSections pruned = m_collapsed;
    pruned.prune(keeping);
    if (pruned != m_collapsed) {
        m_collapsed = std::move(pruned);
        notify(Change::collapsed);
    }

    if (!arrivals.empty()) {
        if (m_callbacks.onArrived) m_callbacks.onArrived(arrivals);
        if (m_openScreen) {
            for (const auto& item : arrivals) m_dotIDs.insert(item.id);
        }
        m_arrivalItems = std::move(arrivals);
        ++m_arrivalTick;
        notify(Change::arrivals);
    }
    rebuild();
    refreshSeen();
}

void ShelfModel::setClaudeFound(bool found) {
    if (found == m_claudeFound) return;
    m_claudeFound = found;
    notify(Change::claudeFound);
}

void ShelfModel::setWatchesFolders(bool watches) {
    if (watches == m_watchesFolders) return;
    m_watchesFolders = watches;
    notify(Change::watchesFolders);
}

void ShelfModel::rebuild() {
    std::size_t unreadBefore = m_unreadIDs.size();
    m_unreadIDs.clear();
    for (const auto& item : m_visible.items) {
        if (item.isUnread()) m_unreadIDs.insert(item.id);
    }
    if (m_unreadIDs.size() != unreadBefore) notify(Change::unreadCount);

    ShelfFilter validated = m_filter.validated(m_visible);
    if (validated != m_filter) {
        m_filter = std::move(validated);
        notify(Change::filter);
    }
    m_groups = ShelfGroups::build(m_filter.apply(m_visible, m_dotIDs));
    notify(Change::groups);

    std::vector<std::string> turnIDs;
    for (const auto& group : m_groups) {
        for (const auto& turn : group.turns) turnIDs.push_back(turn.id);
    }
    DeckFan before = m_fan;
    m_fan.itemsChanged(turnIDs);
    if (m_fan != before) notify(Change::fan);
    dropUnreachableSelection();
}

void ShelfModel::refreshSeen() {
    m_seenTimer.cancel();
    if (!m_openScreen) return;
    std::set<std::string> visible;
    for (const auto& id : m_visibility.visible(*m_openScreen)) {
        if (m_unreadIDs.contains(id)) visible.insert(id);
    }
    double now = m_queue.now();
    std::vector<std::string> due = m_seenClock.update(visible, now);
    if (!due.empty() && m_engine) m_engine->markSeen(std::move(due));
    if (auto deadline = m_seenClock.deadline()) {
        m_seenTimer = m_queue.postAfter(std::max(0.0, *deadline - now) + 0.001, [this] { refreshSeen(); });
    }
}

void ShelfModel::hide(const ShelfItem& item) { holdRemoval(PendingUndo{PendingUndo::Hide{item}}); }

void ShelfModel::remove(const std::vector<ShelfItem>& items) {
    if (items.empty()) return;
    std::set<std::string> ids;
    for (const auto& item : items) {
        ids.insert(item.id);
        if (item.sourcePath) m_originalPaths[item.id] = *item.sourcePath;
    }
    holdRemoval(PendingUndo{PendingUndo::Delete{std::move(ids)}});
}

void ShelfModel::deleteAll() {
    std::set<std::string> ids;
    for (const auto* list : {&m_visible.items, &m_visible.hidden}) {
        for (const auto& item : *list) {
            ids.insert(item.id);
            if (item.sourcePath) m_originalPaths[item.id] = *item.sourcePath;
        }
    }
    if (ids.empty()) return;
    holdRemoval(PendingUndo{PendingUndo::DeleteAll{std::move(ids)}});
}

void ShelfModel::holdRemoval(PendingUndo removal) {
    m_undoTask.cancel();
    std::optional<EngineCommand> replaced = m_state.hold(std::move(removal));
    m_visible = m_state.visible();
    notify(Change::pendingUndo);
    rebuild();
    if (replaced) carryOut(*replaced);
    m_undoClock.emplace(undoWindow * m_options.motionScale, m_queue.now(), true);
    reevaluateUndo();
}

void ShelfModel::reevaluateUndo() {
    m_undoTask.cancel();
    if (!m_undoClock) return;
    double now = m_queue.now();
    m_undoClock->setPaused(m_toastHovered || !m_openScreen, now);
    if (m_undoClock->isPaused()) return;
    m_undoTask = m_queue.postAfter(m_undoClock->remaining(now), [this] { commitPending(); });
}

void ShelfModel::commitPending() {
    m_undoTask.cancel();
    m_undoClock.reset();
    std::optional<EngineCommand> command = m_state.commit();
    m_visible = m_state.visible();
    if (!command) return;
    notify(Change::pendingUndo);
    carryOut(*command);
    rebuild();
}

void ShelfModel::carryOut(const EngineCommand& command) {
    std::visit(Overloaded{
                   [&](const EngineCommand::Hide& hide) {
                       if (m_engine) m_engine->hide(hide.ids);
                   },
                   [&](const EngineCommand::Delete& remove) {
                       for (const auto& id : remove.ids) {
                           m_originalPaths.erase(id);
                           m_dotIDs.erase(id);
                       }
                       if (m_engine) m_engine->remove(remove.ids);
                   },
                   [&](const EngineCommand::DeleteAll& all) {
                       std::erase_if(m_dotIDs,
                                     [&](const std::string& id) { return !all.sparing.contains(id); });
                       m_originalPaths.clear();
                       if (m_engine) m_engine->deleteAll(all.sparing);
                   },
               },
               command.command);
}

void ShelfModel::undo() {
    if (!m_state.pending()) return;
    m_undoTask.cancel();
    m_undoClock.reset();
    m_state.undo();
    m_visible = m_state.visible();
    notify(Change::pendingUndo);
    rebuild();
}

void ShelfModel::setToastHovered(bool hovered) {
    if (hovered == m_toastHovered) return;
    m_toastHovered = hovered;
    reevaluateUndo();
}

void ShelfModel::unhide(const std::vector<std::string>& ids) {
    if (ids.empty()) return;
    m_state.unhide(ids);
    m_visible = m_state.visible();
    rebuild();
    if (m_engine) m_engine->unhide(ids);
}

bool ShelfModel::stop() {
    commitPending();
    return m_engine ? m_engine->stop() : true;
}

void ShelfModel::stopAsync(ShelfEngine::Done done) {
    commitPending();
    if (m_engine) {
        m_engine->stopAsync(std::move(done));
    } else if (done) {
        done(true);
    }
}

void ShelfModel::setFilter(ShelfFilter filter) {
    if (filter == m_filter) return;
    m_filter = std::move(filter);
    notify(Change::filter);
    rebuild();
}

void ShelfModel::toggleKind(KindFilter kind) {
    ShelfFilter filter = m_filter;
    if (!filter.kinds.erase(kind)) filter.kinds.insert(kind);
    setFilter(std::move(filter));
}

void ShelfModel::setProject(std::optional<std::string> project) {
    ShelfFilter filter = m_filter;
    filter.project = std::move(project);
    setFilter(std::move(filter));
}

void ShelfModel::toggleOnlyNew() {
    ShelfFilter filter = m_filter;
    filter.onlyNew = !filter.onlyNew;
    setFilter(std::move(filter));
}

void ShelfModel::clearFilters() { setFilter(ShelfFilter{.project = m_filter.project}); }

void ShelfModel::toggleCollapsed(const std::string& id, const std::vector<std::string>& turnIDs) {
    bool folding = !m_collapsed.contains(id);
    m_collapsed.toggle(id);
    notify(Change::collapsed);
    dropUnreachableSelection();
    if (!folding) return;
    DeckFan before = m_fan;
    m_fan.fold(id, turnIDs);
    if (m_fan != before) notify(Change::fan);
}

void ShelfModel::warmDrawer(DisplayID display) {
    if (m_life.warm(m_queue.now(), m_openScreen.has_value(), display)) notify(Change::drawerDisplays);
    armCooling();
}

void ShelfModel::armCooling() {
    if (!m_life.coolAt() || m_coolTask.isActive()) return;
    m_coolTask = m_queue.postAfter(std::max(0.0, *m_life.coolAt() - m_queue.now()), [this] {
        m_coolTask = TaskHandle();
        DrawerLife::Check check = m_life.check(m_queue.now(), isBusy() || m_menuOpen);
        if (std::holds_alternative<DrawerLife::Check::Cool>(check.value)) notify(Change::drawerDisplays);
        armCooling();
    });
}

void ShelfModel::setOpenScreen(std::optional<DisplayID> display) {
    if (display == m_openScreen) return;
    bool wasOpen = m_openScreen.has_value();
    m_openScreen = display;
    // An open drawer's views never cool, however long the pointer stays still.
    if (display && m_life.warm(m_queue.now(), true, *display)) notify(Change::drawerDisplays);
    if (display && !wasOpen) {
        m_tidyTask.cancel();
        m_dotIDs = m_unreadIDs;
        notify(Change::openScreen);
        reevaluateUndo();
        rebuild();
    } else if (!display) {
        notify(Change::openScreen);
        reevaluateUndo();
        m_toastHovered = false;
        m_tips.hide();
        // What was on its way to being seen starts over at the next opening.
        m_seenClock.reset();
        setHoveredItem(std::nullopt);
        closeCompare();
        if (m_callbacks.onDrawerClosed) m_callbacks.onDrawerClosed();
        m_tidyTask = m_queue.postAfter(tidyDelay * m_options.motionScale, [this] { tidy(); });
        m_life.closed(m_queue.now());
        armCooling();
    } else {
        notify(Change::openScreen);
    }
    refreshSeen();
}

// A drawer that stays closed forgets its opened deck and keyboard selection; one reopened at once keeps them.
void ShelfModel::tidy() {
    if (m_fan.clickedOpen()) {
        m_fan.close();
        notify(Change::fan);
    }
    selectItem(std::nullopt);
}

void ShelfModel::itemAppeared(const std::string& id, DisplayID display) {
    m_visibility.appear(id, display);
    refreshSeen();
}

void ShelfModel::itemDisappeared(const std::string& id, DisplayID display) {
    m_visibility.disappear(id, display);
    refreshSeen();
}

void ShelfModel::setVisibleRegion(const std::string& name, const std::set<std::string>& ids,
                                  DisplayID display) {
    if (m_visibility.setRegion(name, ids, display)) refreshSeen();
}

void ShelfModel::setMenuOpen(bool open) {
    if (open == m_menuOpen) return;
    m_menuOpen = open;
    notify(Change::menuOpen);
}

void ShelfModel::setHoveredItem(std::optional<std::string> id) {
    if (id == m_hoveredItem) return;
    m_hoveredItem = std::move(id);
    notify(Change::hoveredItem);
}

void ShelfModel::selectSession(std::optional<std::string> sessionID) {
    if (sessionID == m_selectedSessionID) return;
    m_selectedSessionID = std::move(sessionID);
    notify(Change::selection);
    dropUnreachableSelection();
}

void ShelfModel::selectItem(std::optional<std::string> id) {
    if (id == m_selectedItemID) return;
    m_selectedItemID = std::move(id);
    notify(Change::selection);
}

const SessionGroup* ShelfModel::selectedGroup() const {
    if (!m_selectedSessionID) return nullptr;
    auto found = std::find_if(m_groups.begin(), m_groups.end(), [&](const SessionGroup& group) {
        return group.session.id == *m_selectedSessionID;
    });
    return found == m_groups.end() ? nullptr : &*found;
}

void ShelfModel::setLayout(ShelfLayoutKind layout) {
    m_layout = layout;
    dropUnreachableSelection();
}

void ShelfModel::dropUnreachableSelection() {
    if (m_selectedItemID &&
        !ShelfSelection::canSelect(m_collapsed, *m_selectedItemID, m_layout, m_groups, selectedGroup()))
        selectItem(std::nullopt);
}

void ShelfModel::moveSelection(ShelfSelection::Direction direction) {
    auto sections = ShelfSelection::selection(m_collapsed, m_layout, m_groups, selectedGroup());
    selectItem(ShelfSelection::move(m_selectedItemID, direction, sections.sections, sections.columns));
}

void ShelfModel::setPreviewShowing(bool showing) {
    if (showing == m_previewShowing) return;
    m_previewShowing = showing;
    notify(Change::busy);
}

void ShelfModel::setDragging(bool dragging) {
    if (dragging == m_dragging) return;
    m_dragging = dragging;
    notify(Change::busy);
}

bool ShelfModel::clickDeck(const std::string& turnID, std::size_t itemCount, bool holdsSelection) {
    bool opened = m_fan.click(turnID, itemCount, holdsSelection);
    if (opened) notify(Change::fan);
    return opened;
}

DeckFan::EscapeStep ShelfModel::escape() {
    DeckFan::EscapeStep step = m_fan.escape(m_previewShowing, m_selectedItemID.has_value());
    switch (step) {
        case DeckFan::EscapeStep::closePreview:
            if (m_callbacks.closePreview) m_callbacks.closePreview();
            break;
        case DeckFan::EscapeStep::clearSelection:
            selectItem(std::nullopt);
            break;
        case DeckFan::EscapeStep::collapseDeck:
            notify(Change::fan);
            break;
        case DeckFan::EscapeStep::nothing:
            break;
    }
    return step;
}

void ShelfModel::openCompare(const ShelfItem& item) {
    Compared compared{item.id, item.sourcePath, item.sessionID};
    if (compared == m_compared) return;
    m_compared = std::move(compared);
    notify(Change::compare);
}

void ShelfModel::closeCompare() {
    if (!m_compared) return;
    m_compared.reset();
    notify(Change::compare);
}

}  // namespace brimly
