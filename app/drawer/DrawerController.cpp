#include "app/drawer/DrawerController.h"

#include <unistd.h>

#include <QApplication>
#include <QRegion>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <set>

#include "app/drawer/NotchPanel.h"
#include "app/drawer/PanelFade.h"
#include "app/items/CompareViewer.h"
#include "app/items/PreviewWindow.h"
#include "app/shelf/ShelfModel.h"
#include "app/shell/AppSettings.h"
#include "app/views/ShelfView.h"
#include "app/x11/X11Pointer.h"
#include "app/x11/X11RootWatch.h"
#include "app/x11/X11Screens.h"
#include "app/x11/X11Window.h"
#include "core/base/Log.h"
#include "core/drawer/DrawerGrowth.h"
#include "core/drawer/GlowGeometry.h"
#include "core/drawer/GlowLook.h"
#include "core/drawer/HoverInputs.h"
#include "core/drawer/ShelfLayoutKind.h"
#include "core/shelf/ShelfKeyRule.h"

namespace brimly {

namespace {
const Log logger("drawer");

// The side the drawer grows away from, in global space (y up): a notch hangs from the top edge.
RectSide growthEdge(DisplayStylePosition position) {
    switch (position) {
        case DisplayStylePosition::left:
            return RectSide::minX;
        case DisplayStylePosition::right:
            return RectSide::maxX;
        case DisplayStylePosition::bottom:
            return RectSide::minY;
        case DisplayStylePosition::top:
            break;
    }
    return RectSide::maxY;
}

std::string phaseName(const HoverMachine::Phase& phase) {
    switch (phase.value.index()) {
        case 1:
            return "dwelling";
        case 2:
            return "open";
        case 3:
            return "closing";
        default:
            return "closed";
    }
}

Json rectJson(const Rect& rect) { return Json::array({rect.x, rect.y, rect.width, rect.height}); }
}  // namespace

DrawerController::DrawerController(SerialQueue& mainQueue, ShelfModel& model, AppSettings& settings,
                                   double motionScale)
    : m_queue(mainQueue),
      m_model(model),
      m_settings(settings),
      m_motionScale(motionScale),
      m_machine(HoverInputs::grace),
      m_frames(std::make_unique<QTimer>()),
      m_style(mainQueue, settings.prefs().displayStyle, PanelFade::seconds * motionScale,
              {.leave = [this] { leaveStyle(); }, .apply = [this](bool arrive) { arriveStyle(arrive); }}) {
    m_frames->setTimerType(Qt::PreciseTimer);
    m_frames->setInterval(16);
    QObject::connect(m_frames.get(), &QTimer::timeout, this, [this] { animate(); });
}

DrawerController::~DrawerController() = default;

bool DrawerController::isWaylandSession(const Environment& env) {
    return Env::string("XDG_SESSION_TYPE", env) == "wayland" ||
           Env::string("WAYLAND_DISPLAY", env).has_value();
}

std::unique_ptr<DrawerController> DrawerController::make(SerialQueue& mainQueue, ShelfModel& model,
                                                         AppSettings& settings, double motionScale,
                                                         const std::string& displayName, bool wayland,
                                                         std::string* why) {
    std::unique_ptr<DrawerController> controller(
        new DrawerController(mainQueue, model, settings, motionScale));
    controller->m_screens = X11Screens::open(displayName, why);
    controller->m_windows = X11Window::open(displayName, why);
    if (!controller->m_screens || !controller->m_windows) return nullptr;
    controller->m_compositor = controller->m_windows->compositorRunning();
    controller->m_wayland = wayland;
    if (wayland) {
        logger.info(
            "Wayland session: hovering and the global shortcut do not reach Brimly here; click the "
            "drawer or bind `brimly toggle` to a shortcut in the desktop's settings");
    }
    std::string pointerProblem;
    controller->m_pointer = X11Pointer::open(displayName, &pointerProblem);
    if (!controller->m_pointer)
        logger.error("no pointer tracking, the drawer opens by hot key only: {}", pointerProblem);
    controller->m_root = X11RootWatch::open(displayName, &pointerProblem);
    // The panels redraw the shelf when it changes; only an open drawer shows it.
    model.observe([raw = controller.get()](ShelfModel::Change change) {
        if (change == ShelfModel::Change::groups && raw->m_shownOn) {
            if (auto panel = raw->m_panels.find(*raw->m_shownOn); panel != raw->m_panels.end())
                panel->second->update();
        }
        if (change == ShelfModel::Change::arrivals &&
            raw->m_glow.pulse(raw->m_queue.now(), raw->glowSettings())) {
            raw->startFrames();
        }
        if (change == ShelfModel::Change::unreadCount && !raw->m_glow.isPulsing()) {
            raw->m_glow.advance(raw->m_queue.now(), raw->glowSettings(), raw->m_model.unreadCount() > 0);
            raw->layOut();
        }
    });
    return controller;
}

void DrawerController::startWatchers(bool activeDisplayOnly) {
    m_activeDisplayOnly = activeDisplayOnly;
    if (m_pointer) {
        m_pointer->setOnMotion([this](Point root) {
            m_lastPointer = m_displays.space.toGlobal(root);
            sample();
        });
        m_pointer->setOnButton([this](int button, Point root) { pressed(button, root); });
        m_pointerNotifier =
            std::make_unique<QSocketNotifier>(m_pointer->fileDescriptor(), QSocketNotifier::Read);
        QObject::connect(m_pointerNotifier.get(), &QSocketNotifier::activated, this,
                         [this] { m_pointer->dispatch(); });
    }
    if (m_root) {
        m_root->setOnScreens([this] { refreshPanels(); });
        m_root->setOnDesktop([this] { refreshPanels(); });
        m_root->setOnWindows([this] {
            refreshPanels();
            followActiveDisplay();
        });
        const auto readMotion = [this] { m_reduceMotion = !m_root->animationsEnabled().value_or(true); };
        readMotion();
        m_root->setOnDesktopSettings(readMotion);
        m_root->setOnActiveWindow([this] {
            activationChanged();
            followActiveDisplay();
        });
        m_rootNotifier = std::make_unique<QSocketNotifier>(m_root->fileDescriptor(), QSocketNotifier::Read);
        QObject::connect(m_rootNotifier.get(), &QSocketNotifier::activated, this,
                         [this] { m_root->dispatch(); });
    }
}

void DrawerController::refreshPanels() {
    Displays displays =
        Displays::make(m_screens->list(), m_screens->rootFrame(), m_screens->readStruts(), m_style.applied());
    bool changed = displays.layouts != m_displays.layouts;
    m_displays = std::move(displays);
    m_settings.setDisplays(m_displays.info);
    if (!changed && m_panels.size() == m_displays.layouts.size()) return;
    for (auto it = m_panels.begin(); it != m_panels.end();) {
        it = m_displays.layouts.contains(it->first) ? std::next(it) : m_panels.erase(it);
    }
    if (m_shownOn && !m_displays.layouts.contains(*m_shownOn)) {
        m_shownOn.reset();
        m_machine.reset();
        m_model.setOpenScreen(std::nullopt);
    }
    for (const auto& [id, layout] : m_displays.layouts) {
        auto& panel = m_panels[id];
        if (!panel) {
            panel = std::make_unique<NotchPanel>(m_model, id, m_motionScale);
            panel->setItemActions(m_itemActions);
            panel->setOnPress([this, id = id] { click(id); });
            panel->setOnKey([this](int key) { return keyPressed(key); });
        }
        Rect frame = m_displays.space.toRoot(layout.panelFrame());
        panel->setGeometry(int(std::lround(frame.x)), int(std::lround(frame.y)),
                           int(std::lround(frame.width)), int(std::lround(frame.height)));
        if (!panel->isVisible() && !m_hidden.contains(id)) {
            panel->show();
            // Qt rewrites the window type and state as it maps the window, so the panel's own come after.
            m_windows->setDockProperties(std::uint32_t(panel->winId()));
        }
    }
    layOut();
    followActiveDisplay();
}

Rect DrawerController::restRect(DisplayID display) const {
    return m_displays.layouts.at(display).restRect(trailing());
}

Rect DrawerController::openRect(DisplayID display) const {
    const DisplayLayout& layout = m_displays.layouts.at(display);
    ShelfLayoutKind kind = resolveShelfLayoutKind(layout.style(), m_settings.prefs().layout);
    return layout.drawerRect(layout.drawerSize(kind), 0);
}

Rect DrawerController::drawerRectAt(DisplayID display, double progress) const {
    return DrawerGrowth::frame(restRect(display), openRect(display), progress,
                               growthEdge(m_displays.layouts.at(display).style().position()), 0);
}

std::optional<Rect> DrawerController::openDrawerRect() const {
    if (!m_shownOn || !m_opening) return std::nullopt;
    return openRect(*m_shownOn);
}

bool DrawerController::hoverOpening() const {
    return HoverInputs::hoverOpening(m_settings.prefs().hoverEnabled, m_settings.prefs().quietMode);
}

void DrawerController::sample() {
    if (!m_lastPointer || m_displays.layouts.empty()) return;
    Point point = *m_lastPointer;
    std::map<DisplayID, double> counters;
    for (const auto& [id, layout] : m_displays.layouts) counters[id] = trailing();
    std::optional<DisplayID> hot =
        HoverInputs::hot(point, m_displays.layouts, counters, m_hidden, m_style.isLeaving());
    if (auto near = hot ? hot : m_displays.displayAt(point)) m_model.warmDrawer(*near);
    double now = m_queue.now();
    bool drawerOpen = m_machine.openTarget().has_value();
    bool insideOpen = false;
    if (auto open = openDrawerRect()) {
        insideOpen = m_displays.layouts.at(*m_shownOn).hoverRect(*open).contains(point) ||
                     overItemWindow(m_displays.space.toRoot(point));
    } else if (auto closing = m_machine.closing(now);
               closing && m_displays.layouts.contains(closing->target)) {
        const DisplayLayout& layout = m_displays.layouts.at(closing->target);
        double duration = DrawerMotion::duration(m_curve, m_motionScale);
        insideOpen =
            layout.closingDrawerReopens() &&
            layout.closingDrawerRect(openRect(closing->target), 0, duration - closing->remaining, duration)
                .contains(point);
    }
    // A menu of the drawer or a drag out of it holds the drawer as it is.
    if (m_model.isMenuOpen() || m_model.isDragging()) return;
    if (!HoverInputs::feedsMachine(
            {.hoverOpening = hoverOpening(), .hotPresent = hot.has_value(), .drawerOpen = drawerOpen})) {
        return;
    }
    std::optional<DisplayStyle> openStyle;
    if (auto target = m_machine.openTarget(); target && m_displays.layouts.contains(*target)) {
        openStyle = m_displays.layouts.at(*target).style();
    }
    double closeDuration = HoverInputs::closeDuration({.hoverOpening = hoverOpening(),
                                                       .drawerOpen = drawerOpen,
                                                       .openStyle = openStyle,
                                                       .motionScale = m_motionScale});
    double dwell =
        hot ? HoverInputs::dwell(m_displays.layouts.at(*hot).style(), int(m_settings.prefs().hoverDwellMs))
            : 0;
    if (auto* dwelling = std::get_if<HoverMachine::Phase::Dwelling>(&m_machine.phase().value)) {
        m_dwellStartedAt = dwelling->since;
        m_dwell = dwelling->dwell;
    }
    apply(m_machine.pointer(
        {.now = now, .hot = hot, .dwell = dwell, .insideOpen = insideOpen, .closeDuration = closeDuration}));
    armDeadline();
    updateKeyPanel(insideOpen);
}

void DrawerController::armDeadline() {
    m_deadline.cancel();
    if (auto deadline = m_machine.deadline()) {
        m_deadline =
            m_queue.postAfter(HoverInputs::timerDelay(*deadline, m_queue.now()), [this] { sample(); });
    }
}

void DrawerController::apply(const HoverMachine::Action& action) {
    if (auto* open = std::get_if<HoverMachine::Action::Open>(&action.value)) {
        m_pendingOpen.reset();
        const DisplayID display = open->display;
        if (m_model.drawerDisplays().contains(display)) {
            setOpen(display);
            return;
        }
        // Views that were let go are built first; the drawer opens on the next frame, with them ready.
        m_model.warmDrawer(display);
        m_pendingOpen = display;
        m_pendingOpenTask = m_queue.postAfter(1.0 / 60, [this, display] {
            if (m_pendingOpen == display) setOpen(display);
            m_pendingOpen.reset();
        });
    } else if (std::holds_alternative<HoverMachine::Action::Close>(action.value)) {
        m_pendingOpen.reset();
        setOpen(std::nullopt);
    }
}

void DrawerController::setOpen(std::optional<DisplayID> display) {
    if (display) m_style.settle();
    if (display && !m_displays.layouts.contains(*display)) return;
    if (display && m_shownOn == display && m_opening) return;
    if (!display && (!m_shownOn || !m_opening)) return;
    if (display && m_shownOn && m_shownOn != display) {
        // Another display's drawer closes at once: only one drawer is open at a time.
        m_progress = 0;
        layOut();
    }
    const DisplayLayout* layout = m_displays.layouts.contains(display.value_or(*m_shownOn))
                                      ? &m_displays.layouts.at(display.value_or(*m_shownOn))
                                      : nullptr;
    m_opening = display.has_value();
    if (display) m_shownOn = display;
    m_curve = m_opening ? DrawerMotion::open(layout ? &layout->style() : nullptr, m_reduceMotion)
                        : DrawerMotion::close(layout ? &layout->style() : nullptr, m_reduceMotion);
    m_fromProgress = m_progress;
    m_animationStart = m_queue.now();
    m_model.setOpenScreen(m_opening ? display : std::nullopt);
    if (m_opening) m_lastOpen = OpenTiming{.openedAt = m_animationStart};
    if (m_opening) {
        if (auto panel = m_panels.find(*display); panel != m_panels.end()) {
            // Above whatever was raised since, a full-screen window included.
            m_windows->raise(std::uint32_t(panel->second->winId()));
        }
    }
    startFrames();
    animate();
}

void DrawerController::startFrames() {
    if (!m_frames->isActive()) m_frames->start();
}

void DrawerController::animate() {
    double now = m_queue.now();
    RecentTimes::Scope timed(m_frameWork);
    if (m_lastFrameAt) m_frameIntervals.add(now - *m_lastFrameAt);
    m_lastFrameAt = now;
    double t = DrawerMotion::progress(m_curve, now - m_animationStart, m_motionScale);
    double target = m_opening ? 1 : 0;
    bool moving = m_progress != target || (m_fromProgress != target);
    if (moving) {
        m_progress = m_fromProgress + (target - m_fromProgress) * t;
        if (now - m_animationStart >= DrawerMotion::duration(m_curve, m_motionScale)) {
            m_progress = target;
            m_fromProgress = target;
            if (!m_opening) m_shownOn.reset();
        }
    }
    m_glow.advance(now, glowSettings(), m_model.unreadCount() > 0);
    // The frame timer runs only while something moves: at rest the app has no timer at all.
    if (m_opening && m_lastOpen && !m_lastOpen->fullAt &&
        DrawerGrowth::reveal(DrawerGrowth::scale(m_progress)) >= 0.999) {
        m_lastOpen->fullAt = now;
    }
    if (m_progress == target && m_fromProgress == target && !m_glow.isPulsing()) {
        m_frames->stop();
        m_lastFrameAt.reset();
    }
    layOut();
}

int DrawerController::counted() const {
    const Preferences& prefs = m_settings.prefs();
    if (prefs.quietMode || prefs.effectiveSignal() != ArrivalSignal::count) return 0;
    return int(m_model.unreadCount());
}

double DrawerController::trailing() const { return DisplayLayout::counterWidth(counted()); }

ArrivalGlow::Settings DrawerController::glowSettings() const {
    return ArrivalGlow::Settings::from(m_settings.prefs(), m_motionScale, m_reduceMotion);
}

void DrawerController::layOut() {
    for (const auto& [id, panel] : m_panels) {
        double progress = m_shownOn == id ? m_progress : 0;
        Rect global = drawerRectAt(id, progress);
        Rect root = m_displays.space.toRoot(global);
        QRect frame = panel->geometry();
        Rect local{root.x - frame.x(), root.y - frame.y(), root.width, root.height};
        double reveal = DrawerGrowth::reveal(DrawerGrowth::scale(progress));
        DisplayStylePosition edge = m_displays.layouts.at(id).style().position();
        panel->setLayoutKind(
            resolveShelfLayoutKind(m_displays.layouts.at(id).style(), m_settings.prefs().layout));
        // Only the animating panel changes shape; the others keep theirs without a round trip to the server.
        bool reshaped = !(panel->drawer() == local) || panel->edge() != edge;
        panel->setDrawer(local, progress > 0 ? reveal : 0, edge);
        panel->setCount(edge == DisplayStylePosition::top && progress == 0 ? counted() : 0);
        placeGlow(*panel, {global, root, frame, progress, edge});
        if (!reshaped) continue;
        std::uint32_t window = std::uint32_t(panel->winId());
        m_windows->setInputRegion(window, {local});
        if (!m_compositor) {
            // Without a compositor the transparent corners would be black: the window takes the outline's
            // shape instead, in rectangles of whole pixels.
            QRegion region(NotchPanel::outline(QRectF(local.x, local.y, local.width, local.height), edge)
                               .toFillPolygon()
                               .toPolygon());
            std::vector<Rect> rects;
            for (const QRect& rect : region)
                rects.push_back(
                    {double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())});
            m_windows->setBoundingRegion(window, rects);
        }
    }
}

void DrawerController::placeGlow(NotchPanel& panel, const GlowPlace& place) {
    const Rect& global = place.global;
    const Rect& root = place.root;
    const QRect& frame = place.frame;
    if (m_glow.level() <= 0 || place.progress > 0 || !m_compositor) {
        panel.setGlow({}, {}, 0);
        return;
    }
    // The outline in global space: the window's path flipped about the drawer's rectangle.
    QTransform toGlobal(1, 0, 0, -1, global.x - root.x, global.y + global.height + root.y);
    QPainterPath lit =
        toGlobal.map(NotchPanel::outline(QRectF(root.x, root.y, root.width, root.height), place.edge));
    GlowLook look = GlowLook::forStrength(m_settings.prefs().glowStrength);
    auto rendered =
        m_glowImages.render(global, lit, GlowImage::renderRadius(look.radius), 1, QColor(10, 132, 255));
    if (!rendered) return;
    Rect placed = m_displays.space.toRoot(rendered->frame);
    panel.setGlow(rendered->image,
                  QRectF(placed.x - frame.x(), placed.y - frame.y(), placed.width, placed.height),
                  m_glow.level());
}

void DrawerController::hotkey() {
    ++m_toggles;
    std::optional<DisplayID> target;
    if (m_displays.layouts.size() == 1) {
        target = m_displays.layouts.begin()->first;
    } else if (m_shownDisplay) {
        target = m_shownDisplay;
    } else if (m_pointer) {
        if (auto root = m_pointer->position()) {
            Point global = m_displays.space.toGlobal(*root);
            target = m_displays.displayAt({global.x, global.y - 0.5});
        }
    }
    if (!target) return;
    apply(m_machine.hotkey(*target));
    armDeadline();
    updateKeyPanel(false);
}

void DrawerController::click(DisplayID display) {
    if (m_shownOn == display && m_opening) return;  // a click inside the open drawer keeps it open
    apply(m_machine.click(display));
    armDeadline();
}

void DrawerController::pressed(int, Point root) {
    if (m_activeDisplayOnly && m_root) {
        // A click on a display's bare desktop moves the drawer there.
        auto windows = windowsInGlobalSpace();
        m_tracker.click(ActiveDisplay::hit(m_displays.space.toGlobal(root), windows, screenFrames()),
                        m_root->activePid(), m_root->desktopOwnerPid());
        followActiveDisplay();
    }
    auto open = openDrawerRect();
    if (!open) return;
    if (open->contains(m_displays.space.toGlobal(root)) || overItemWindow(root) || m_model.isDragging())
        return;
    apply(m_machine.clickOutside());
    armDeadline();
    updateKeyPanel(false);
}

bool DrawerController::overItemWindow(Point root) const {
    // The preview, the compare viewer and the drawer's menus count as part of the open drawer.
    QWidget* window = QApplication::topLevelAt(QPoint(int(std::lround(root.x)), int(std::lround(root.y))));
    if (!window) return false;
    if (window->windowType() == Qt::Popup) return true;
    return m_items && (window == &m_items->preview() || window == &m_items->compareViewer());
}

void DrawerController::activationChanged() {
    if (!m_root || !m_opening) return;
    auto pid = m_root->activePid();
    if (pid && *pid == ::getpid()) return;
    // The panels are not managed: giving one the keyboard leaves the window manager with no active window,
    // which is no reason to close.
    const std::optional<std::uint32_t> focused = m_windows->focusedWindow();
    for (const auto& [id, panel] : m_panels) {
        if (std::uint32_t(panel->winId()) == focused) return;
    }
    resetHover();
}

void DrawerController::updateKeyPanel(bool pointerInside) {
    std::optional<DisplayID> key;
    if (m_shownOn && ShelfKeyRule::panelMayBeKey(m_machine.phase(), pointerInside, m_model.isBusy()))
        key = m_shownOn;
    if (key == m_keyPanel) return;
    auto panel = key ? m_panels.find(*key) : m_panels.end();
    if (panel != m_panels.end()) {
        if (!m_keyPanel) m_focusBefore = m_windows->focusedWindow();
        m_windows->focus(std::uint32_t(panel->second->winId()));
        m_keyPanel = key;
        return;
    }
    // Resigning gives the keyboard back to the window that had it, or to the window under the pointer.
    m_keyPanel.reset();
    constexpr std::uint32_t pointerRoot = 1;
    if (!m_windows->focus(m_focusBefore.value_or(pointerRoot))) m_windows->focus(pointerRoot);
    m_focusBefore.reset();
}

bool DrawerController::keyPressed(int key) {
    switch (key) {
        case Qt::Key_Escape:
            if (m_model.escape() == DeckFan::EscapeStep::nothing) resetHover();
            return true;
        case Qt::Key_Left:
            m_model.moveSelection(ShelfSelection::Direction::left);
            return true;
        case Qt::Key_Right:
            m_model.moveSelection(ShelfSelection::Direction::right);
            return true;
        case Qt::Key_Up:
            m_model.moveSelection(ShelfSelection::Direction::up);
            return true;
        case Qt::Key_Down:
            m_model.moveSelection(ShelfSelection::Direction::down);
            return true;
        default:
            return false;
    }
}

void DrawerController::resetHover() {
    m_machine.reset();
    m_deadline.cancel();
    setOpen(std::nullopt);
    updateKeyPanel(false);
}

void DrawerController::setActiveDisplayOnly(bool enabled) {
    m_activeDisplayOnly = enabled;
    followActiveDisplay();
}

ActiveDisplay::Displays DrawerController::screenFrames() const {
    ActiveDisplay::Displays frames;
    for (const auto& [id, layout] : m_displays.layouts) frames.emplace(id, layout.screenFrame());
    return frames;
}

std::vector<ActiveDisplay::Window> DrawerController::windowsInGlobalSpace() const {
    std::vector<ActiveDisplay::Window> windows;
    for (const auto& window : m_root->windowsFrontToBack()) {
        windows.push_back({window.pid, window.layer, window.alpha, m_displays.space.toGlobal(window.bounds)});
    }
    return windows;
}

void DrawerController::followActiveDisplay() {
    std::set<DisplayID> hidden;
    if (m_activeDisplayOnly && m_root && m_displays.layouts.size() >= 2) {
        m_tracker.update(windowsInGlobalSpace(), m_root->activePid(), m_root->desktopOwnerPid(),
                         screenFrames());
        std::set<DisplayID> ids;
        for (const auto& [id, layout] : m_displays.layouts) ids.insert(id);
        bool busy = m_model.isBusy() || (m_shownOn && m_opening);
        m_shownDisplay =
            ActiveDisplay::shown(m_tracker.active, m_shownDisplay, busy, ids, m_displays.primary);
        for (DisplayID id : ids) {
            if (id != m_shownDisplay) hidden.insert(id);
        }
    } else {
        m_shownDisplay.reset();
    }
    if (hidden == m_hidden) return;
    m_hidden = std::move(hidden);
    for (const auto& [id, panel] : m_panels) {
        if (m_hidden.contains(id)) {
            PanelFade::out(*panel, m_motionScale);
        } else {
            const bool mapped = panel->isVisible();
            PanelFade::in(*panel, m_motionScale);
            if (!mapped) m_windows->setDockProperties(std::uint32_t(panel->winId()));
        }
    }
}

void DrawerController::requestStyle(const DisplayStyleChoice& style) {
    // Every style shows a collapsed drawer at rest here: screens have no notch to hide it behind.
    m_style.request(style, !m_panels.empty(), !m_reduceMotion);
}

void DrawerController::leaveStyle() {
    for (const auto& [id, panel] : m_panels) PanelFade::out(*panel, m_motionScale);
}

void DrawerController::arriveStyle(bool arrive) {
    refreshPanels();
    for (const auto& [id, panel] : m_panels) {
        if (m_hidden.contains(id)) continue;
        PanelFade::in(*panel, arrive ? m_motionScale : 0);
    }
}

void DrawerController::setCompareKeyCode(long) {}

void DrawerController::setItemCommands(std::unique_ptr<ItemCommands> commands) {
    m_items = std::move(commands);
    ItemCommands* items = m_items.get();
    m_itemActions = {
        .open = [items](const ShelfItem& item) { items->open(item); },
        .contextMenu = [items](const ShelfItem& item, QPoint at) { items->contextMenu(item, at); },
        .dragOut = [items](const ShelfItem& item, QWidget* source) { items->dragOut(item, source); },
    };
    for (const auto& [id, panel] : m_panels) panel->setItemActions(m_itemActions);
}

void DrawerController::closeItemWindows() {
    if (m_items) m_items->closePreview();
}

Json DrawerController::status() const {
    Json panels = Json::array();
    for (const auto& [id, panel] : m_panels) {
        QRect frame = panel->geometry();
        const Rect& drawer = panel->drawer();
        panels.push_back(
            {{"display", id},
             {"frame", rectJson({double(frame.x()), double(frame.y()), double(frame.width()),
                                 double(frame.height())})},
             {"drawer", rectJson({frame.x() + drawer.x, frame.y() + drawer.y, drawer.width, drawer.height})},
             {"reveal", panel->reveal()},
             {"mapped", panel->isVisible()},
             {"opacity", panel->windowOpacity()}});
    }
    Json openDisplay = m_opening && m_shownOn ? Json(*m_shownOn) : Json(nullptr);
    Json shown = Json::array();
    for (const auto& [id, layout] : m_displays.layouts) {
        if (!m_hidden.contains(id)) shown.push_back(id);
    }
    Json timing = nullptr;
    if (m_lastOpen) {
        timing = {{"afterDwell",
                   m_dwellStartedAt ? Json(m_lastOpen->openedAt - *m_dwellStartedAt - m_dwell) : Json()},
                  {"fullRevealAfter",
                   m_lastOpen->fullAt ? Json(*m_lastOpen->fullAt - m_lastOpen->openedAt) : Json()}};
    }
    RecentTimes paints, viewPaints;
    for (const auto& [id, panel] : m_panels) {
        paints.add(panel->paintTimes());
        viewPaints.add(panel->shelfView().paintTimes());
    }
    Json frames = m_frameIntervals.summary();
    frames["layout"] = m_frameWork.summary();
    frames["paint"] = paints.summary();
    frames["shelfPaint"] = viewPaints.summary();
    return Json{
        {"windows", true},
        {"lastOpen", timing},
        {"frames", frames},
        {"phase", phaseName(m_machine.phase())},
        {"openDisplay", openDisplay},
        {"progress", m_progress},
        {"toggles", m_toggles},
        {"reduceMotion", m_reduceMotion},
        {"glow", {{"level", m_glow.level()}, {"pulses", m_glow.pulses()}}},
        {"compositor", m_compositor},
        {"pointerTracking", m_pointer != nullptr},
        {"hoverOpening", hoverOpening()},
        {"keyPanel", m_keyPanel ? Json(*m_keyPanel) : Json(nullptr)},
        {"shownDisplays", shown},
        {"session", m_wayland ? "wayland: click the drawer or bind `brimly toggle` to a shortcut" : "x11"},
        {"panels", panels}};
}

}  // namespace brimly
