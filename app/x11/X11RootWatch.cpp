#include "app/x11/X11RootWatch.h"

#include <xcb/randr.h>

#include <algorithm>

#include "app/x11/X11Connection.h"
#include "app/x11/XSettings.h"

namespace brimly {
namespace {

constexpr std::uint8_t sentEventBit = 0x80;
constexpr double opaque = 0xFFFFFFFF;

}  // namespace

std::unique_ptr<X11RootWatch> X11RootWatch::open(const std::string& displayName, std::string* why) {
    auto connection = X11Connection::open(displayName, why);
    auto reader = connection ? X11Connection::open(displayName, why) : nullptr;
    if (!reader) return nullptr;
    xcb_connection_t* xcb = connection->xcb();
    // Structure changes bring the MANAGER messages that announce a new settings daemon.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(xcb, connection->root(), XCB_CW_EVENT_MASK, &events);
    std::optional<std::uint8_t> randrEvents;
    if (connection->hasExtension(&xcb_randr_id)) {
        XcbOwned<xcb_randr_query_version_reply_t> version(
            xcb_randr_query_version_reply(xcb, xcb_randr_query_version(xcb, 1, 3), nullptr));
        if (version) {
            xcb_randr_select_input(xcb, connection->root(),
                                   XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE |
                                       XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE);
            randrEvents = xcb_get_extension_data(xcb, &xcb_randr_id)->first_event;
        }
    }
    // Interned before the first event can arrive, so dispatching never waits for the server.
    const std::string settingsSelection = "_XSETTINGS_S" + std::to_string(connection->screenNumber());
    connection->intern({"_NET_ACTIVE_WINDOW", "_NET_CURRENT_DESKTOP", "_NET_CLIENT_LIST",
                        "_NET_CLIENT_LIST_STACKING", "_NET_WORKAREA", "MANAGER", "_XSETTINGS_SETTINGS",
                        settingsSelection.c_str()});
    xcb_flush(xcb);
    reader->intern({"_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING", "_NET_WM_PID",
                    "_NET_WM_WINDOW_OPACITY", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL",
                    "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_FRAME_EXTENTS",
                    "_NET_CURRENT_DESKTOP", "_XSETTINGS_SETTINGS", settingsSelection.c_str()});
    std::unique_ptr<X11RootWatch> watch(
        new X11RootWatch(std::move(connection), std::move(reader), randrEvents));
    watch->m_settingsSelection = settingsSelection;
    watch->watchSettingsOwner();
    return watch;
}

void X11RootWatch::watchSettingsOwner() {
    m_reader->dropQueued();
    xcb_connection_t* xcb = m_reader->xcb();
    XcbOwned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        xcb, xcb_get_selection_owner(xcb, m_reader->atom(m_settingsSelection)), nullptr));
    m_settingsOwner = owner ? owner->owner : 0;
    if (!m_settingsOwner) return;
    // The owner's events come on the events connection; a daemon that quits destroys its window, which the
    // structure events report.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_events->xcb(), m_settingsOwner, XCB_CW_EVENT_MASK, &events);
    xcb_flush(m_events->xcb());
}

std::optional<bool> X11RootWatch::animationsEnabled() {
    if (!m_settingsOwner) return std::nullopt;
    m_reader->dropQueued();
    auto bytes =
        m_reader->bytes(m_reader->askProperty(m_settingsOwner, m_reader->atom("_XSETTINGS_SETTINGS")));
    if (!bytes) return std::nullopt;
    auto values = XSettings::integers(*bytes);
    if (!values || !values->contains("Gtk/EnableAnimations")) return std::nullopt;
    return values->at("Gtk/EnableAnimations") != 0;
}

X11RootWatch::X11RootWatch(std::unique_ptr<X11Connection> events, std::unique_ptr<X11Connection> reader,
                           std::optional<std::uint8_t> randrEvents)
    : m_events(std::move(events)), m_reader(std::move(reader)), m_randrEvents(randrEvents) {}

X11RootWatch::~X11RootWatch() = default;

int X11RootWatch::fileDescriptor() const { return xcb_get_file_descriptor(m_events->xcb()); }

void X11RootWatch::setOnActiveWindow(std::function<void()> handler) { m_onActiveWindow = std::move(handler); }
void X11RootWatch::setOnDesktop(std::function<void()> handler) { m_onDesktop = std::move(handler); }
void X11RootWatch::setOnWindows(std::function<void()> handler) { m_onWindows = std::move(handler); }
void X11RootWatch::setOnScreens(std::function<void()> handler) { m_onScreens = std::move(handler); }
void X11RootWatch::setOnDesktopSettings(std::function<void()> handler) {
    m_onDesktopSettings = std::move(handler);
}

void X11RootWatch::dispatch() {
    X11Connection& c = *m_events;
    bool active = false, desktop = false, windows = false, screens = false, settings = false;
    while (XcbOwned<xcb_generic_event_t> event{xcb_poll_for_event(c.xcb())}) {
        const auto type = static_cast<std::uint8_t>(event->response_type & ~sentEventBit);
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            const xcb_atom_t atom = notify->atom;
            if (notify->window == m_settingsOwner) {
                settings = settings || atom == c.atom("_XSETTINGS_SETTINGS");
                continue;
            }
            active = active || atom == c.atom("_NET_ACTIVE_WINDOW");
            desktop = desktop || atom == c.atom("_NET_CURRENT_DESKTOP");
            windows = windows || atom == c.atom("_NET_CLIENT_LIST") ||
                      atom == c.atom("_NET_CLIENT_LIST_STACKING") || atom == c.atom("_NET_WORKAREA");
        } else if (type == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
            if (message->type == c.atom("MANAGER") && message->format == 32 &&
                message->data.data32[1] == c.atom(m_settingsSelection)) {
                watchSettingsOwner();
                settings = true;
            }
        } else if (type == XCB_DESTROY_NOTIFY &&
                   reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get())->window ==
                       m_settingsOwner) {
            m_settingsOwner = 0;
            settings = true;
        } else if (m_randrEvents && (type == *m_randrEvents + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                     type == *m_randrEvents + XCB_RANDR_NOTIFY)) {
            screens = true;
        }
    }
    if (screens && m_onScreens) m_onScreens();
    if (windows && m_onWindows) m_onWindows();
    if (desktop && m_onDesktop) m_onDesktop();
    if (active && m_onActiveWindow) m_onActiveWindow();
    if (settings && m_onDesktopSettings) m_onDesktopSettings();
}

std::vector<WindowInfo> X11RootWatch::windowsFrontToBack() {
    m_reader->dropQueued();
    X11Connection& c = *m_reader;
    xcb_connection_t* xcb = c.xcb();
    std::vector<std::uint32_t> stacking = c.values32(c.root(), "_NET_CLIENT_LIST_STACKING");
    std::reverse(stacking.begin(), stacking.end());

    struct Asked {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t pid, opacity, type, frame;
    };
    // Every question goes out before the first answer is read, so a long list costs one round trip.
    std::vector<Asked> asked;
    for (const xcb_window_t window : stacking) {
        asked.push_back({xcb_get_window_attributes(xcb, window), xcb_get_geometry(xcb, window),
                         xcb_translate_coordinates(xcb, window, c.root(), 0, 0),
                         c.askProperty(window, c.atom("_NET_WM_PID")),
                         c.askProperty(window, c.atom("_NET_WM_WINDOW_OPACITY")),
                         c.askProperty(window, c.atom("_NET_WM_WINDOW_TYPE")),
                         c.askProperty(window, c.atom("_NET_FRAME_EXTENTS"))});
    }
    std::vector<WindowInfo> windows;
    for (const Asked& a : asked) {
        XcbOwned<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(xcb, a.attributes, nullptr));
        XcbOwned<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(xcb, a.geometry, nullptr));
        XcbOwned<xcb_translate_coordinates_reply_t> origin(
            xcb_translate_coordinates_reply(xcb, a.origin, nullptr));
        const std::vector<std::uint32_t> pid = c.values32(a.pid);
        const std::vector<std::uint32_t> opacity = c.values32(a.opacity);
        const std::vector<std::uint32_t> types = c.values32(a.type);
        std::vector<std::uint32_t> frame = c.values32(a.frame);
        // Minimised windows and those of other desktops are not viewable; a window may also be gone.
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !geometry || !origin) continue;

        WindowInfo info;
        info.pid = pid.empty() ? 0 : static_cast<std::int32_t>(pid.front());
        info.alpha = opacity.empty() ? 1.0 : opacity.front() / opaque;
        // No type means a normal window; dialogs belong to their application like its main window.
        info.layer = types.empty() || types.front() == c.atom("_NET_WM_WINDOW_TYPE_NORMAL") ||
                             types.front() == c.atom("_NET_WM_WINDOW_TYPE_DIALOG")
                         ? 0
                         : 1;
        frame.resize(4, 0);
        info.bounds = {double(origin->dst_x) - frame[0], double(origin->dst_y) - frame[2],
                       double(geometry->width) + frame[0] + frame[1],
                       double(geometry->height) + frame[2] + frame[3]};
        windows.push_back(info);
    }
    return windows;
}

std::optional<std::int32_t> X11RootWatch::activePid() {
    m_reader->dropQueued();
    const std::optional<std::uint32_t> active = m_reader->value32(m_reader->root(), "_NET_ACTIVE_WINDOW");
    if (!active || *active == XCB_NONE) return std::nullopt;
    const std::optional<std::uint32_t> pid = m_reader->value32(*active, "_NET_WM_PID");
    if (!pid) return std::nullopt;
    return static_cast<std::int32_t>(*pid);
}

std::optional<std::int32_t> X11RootWatch::desktopOwnerPid() {
    m_reader->dropQueued();
    X11Connection& c = *m_reader;
    const xcb_atom_t desktopType = c.atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> asked;
    for (const std::uint32_t window : c.values32(c.root(), "_NET_CLIENT_LIST")) {
        asked.emplace_back(c.askProperty(window, c.atom("_NET_WM_WINDOW_TYPE")),
                           c.askProperty(window, c.atom("_NET_WM_PID")));
    }
    std::optional<std::int32_t> owner;
    // Every answer is read, found or not, so none is left waiting in the connection.
    for (const auto& [type, pid] : asked) {
        const std::vector<std::uint32_t> types = c.values32(type);
        const std::vector<std::uint32_t> pids = c.values32(pid);
        const bool isDesktop = std::find(types.begin(), types.end(), desktopType) != types.end();
        if (!owner && isDesktop && !pids.empty()) owner = static_cast<std::int32_t>(pids.front());
    }
    return owner;
}

std::optional<std::uint32_t> X11RootWatch::currentDesktop() {
    m_reader->dropQueued();
    return m_reader->value32(m_reader->root(), "_NET_CURRENT_DESKTOP");
}

}  // namespace brimly
