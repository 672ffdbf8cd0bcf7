#include "app/x11/X11Window.h"

#include <xcb/shape.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/x11/X11Connection.h"

namespace brimly {
namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;
constexpr std::uint32_t stateAdd = 1;
constexpr std::uint32_t sourceApplication = 1;
constexpr const char* panelStates[] = {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                                       "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"};

template <typename Int>
Int clamped(double value) {
    const double low = std::numeric_limits<Int>::min();
    const double high = std::numeric_limits<Int>::max();
    return static_cast<Int>(std::clamp(std::round(value), low, high));
}

bool accepted(X11Connection& connection, const std::vector<xcb_void_cookie_t>& cookies) {
    bool ok = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        XcbOwned<xcb_generic_error_t> error(xcb_request_check(connection.xcb(), cookie));
        ok = ok && !error;
    }
    // A broken connection answers every check with no error.
    return ok && !connection.isBroken();
}

}  // namespace

std::unique_ptr<X11Window> X11Window::open(const std::string& displayName, std::string* why) {
    auto connection = X11Connection::open(displayName, why);
    if (!connection) return nullptr;
    return std::unique_ptr<X11Window>(new X11Window(std::move(connection)));
}

X11Window::X11Window(std::unique_ptr<X11Connection> connection) : m_connection(std::move(connection)) {
    m_connection->intern({"_NET_WM_WINDOW_TYPE", panelType, "_NET_WM_DESKTOP", "_NET_WM_STATE",
                          panelStates[0], panelStates[1], panelStates[2], panelStates[3]});
}

X11Window::~X11Window() = default;

bool X11Window::setDockProperties(std::uint32_t window) {
    m_connection->dropQueued();
    xcb_connection_t* xcb = m_connection->xcb();
    XcbOwned<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(xcb, xcb_get_window_attributes(xcb, window), nullptr));
    if (!attributes) return false;
    const bool mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;

    std::vector<xcb_atom_t> states;
    for (const char* state : panelStates) states.push_back(m_connection->atom(state));
    const xcb_atom_t type = m_connection->atom(panelType);
    const auto set = [&](const char* property, xcb_atom_t kind, const std::uint32_t* values,
                         std::size_t count) {
        return xcb_change_property_checked(xcb, XCB_PROP_MODE_REPLACE, window, m_connection->atom(property),
                                           kind, 32, static_cast<std::uint32_t>(count), values);
    };
    // Written mapped or not: some window managers read the type again when it changes.
    std::vector<xcb_void_cookie_t> cookies{set("_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, &type, 1)};
    if (!mapped) {
        cookies.push_back(set("_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, &allDesktops, 1));
        cookies.push_back(set("_NET_WM_STATE", XCB_ATOM_ATOM, states.data(), states.size()));
        return accepted(*m_connection, cookies);
    }
    m_connection->sendToRoot(window, "_NET_WM_DESKTOP", {allDesktops, sourceApplication});
    m_connection->sendToRoot(window, "_NET_WM_STATE", {stateAdd, states[0], states[1], sourceApplication});
    m_connection->sendToRoot(window, "_NET_WM_STATE", {stateAdd, states[2], states[3], sourceApplication});
    return accepted(*m_connection, cookies);
}

bool X11Window::setInputRegion(std::uint32_t window, const std::vector<Rect>& rects) {
    return setShape(window, XCB_SHAPE_SK_INPUT, rects);
}

bool X11Window::setBoundingRegion(std::uint32_t window, const std::optional<std::vector<Rect>>& rects) {
    return setShape(window, XCB_SHAPE_SK_BOUNDING, rects);
}

bool X11Window::setShape(std::uint32_t window, std::uint8_t kind,
                         const std::optional<std::vector<Rect>>& rects) {
    if (!m_connection->hasExtension(&xcb_shape_id)) return false;
    xcb_connection_t* xcb = m_connection->xcb();
    if (!rects)
        return accepted(*m_connection,
                        {xcb_shape_mask_checked(xcb, XCB_SHAPE_SO_SET, kind, window, 0, 0, XCB_NONE)});
    std::vector<xcb_rectangle_t> shape;
    for (const Rect& rect : *rects) {
        if (rect.isEmpty()) continue;
        shape.push_back({clamped<std::int16_t>(rect.x), clamped<std::int16_t>(rect.y),
                         clamped<std::uint16_t>(rect.width), clamped<std::uint16_t>(rect.height)});
    }
    return accepted(*m_connection, {xcb_shape_rectangles_checked(
                                       xcb, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED, window, 0, 0,
                                       static_cast<std::uint32_t>(shape.size()), shape.data())});
}

bool X11Window::compositorRunning(int screenNumber) {
    m_connection->dropQueued();
    const int screen = screenNumber < 0 ? m_connection->screenNumber() : screenNumber;
    const xcb_atom_t selection = m_connection->atom("_NET_WM_CM_S" + std::to_string(screen));
    if (selection == XCB_ATOM_NONE) return false;
    xcb_connection_t* xcb = m_connection->xcb();
    XcbOwned<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(xcb, xcb_get_selection_owner(xcb, selection), nullptr));
    return owner && owner->owner != XCB_NONE;
}

bool X11Window::raise(std::uint32_t window) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    return accepted(*m_connection, {xcb_configure_window_checked(m_connection->xcb(), window,
                                                                 XCB_CONFIG_WINDOW_STACK_MODE, &above)});
}

std::optional<std::uint32_t> X11Window::focusedWindow() {
    m_connection->dropQueued();
    xcb_connection_t* xcb = m_connection->xcb();
    XcbOwned<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
    if (!reply) return std::nullopt;
    return reply->focus;
}

bool X11Window::focus(std::uint32_t window) {
    return accepted(*m_connection,
                    {xcb_set_input_focus_checked(m_connection->xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, window,
                                                 XCB_CURRENT_TIME)});
}

}  // namespace brimly
