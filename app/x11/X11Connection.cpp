#include "app/x11/X11Connection.h"

#include <algorithm>
#include <cstring>

#include "app/x11/X11Display.h"

namespace brimly {

std::unique_ptr<X11Connection> X11Connection::open(const std::string& displayName, std::string* why) {
    int screenNumber = 0;
    xcb_connection_t* xcb = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    int error = xcb_connection_has_error(xcb);
    const xcb_screen_t* screen = nullptr;
    if (error == 0) {
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
        screen = screens.rem > 0 ? screens.data : nullptr;
        if (!screen) error = XCB_CONN_CLOSED_INVALID_SCREEN;
    }
    if (error != 0) {
        if (why) *why = X11Display::connectionProblem(error, displayName);
        xcb_disconnect(xcb);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(xcb, screen, screenNumber));
}

X11Connection::X11Connection(xcb_connection_t* xcb, const xcb_screen_t* screen, int screenNumber)
    : m_xcb(xcb), m_screen(screen), m_screenNumber(screenNumber) {}

X11Connection::~X11Connection() { xcb_disconnect(m_xcb); }

bool X11Connection::hasExtension(xcb_extension_t* extension) const {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(m_xcb, extension);
    return data && data->present;
}

void X11Connection::intern(std::initializer_list<const char*> names) {
    std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
    for (const char* name : names) {
        if (m_atoms.count(name)) continue;
        asked.emplace_back(name,
                           xcb_intern_atom(m_xcb, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    }
    for (const auto& [name, cookie] : asked) {
        XcbOwned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_xcb, cookie, nullptr));
        // A failed round trip is not cached, so a later call asks again.
        if (reply) m_atoms[name] = reply->atom;
    }
}

xcb_atom_t X11Connection::atom(const std::string& name) {
    if (auto found = m_atoms.find(name); found != m_atoms.end()) return found->second;
    intern({name.c_str()});
    auto found = m_atoms.find(name);
    return found == m_atoms.end() ? xcb_atom_t{XCB_ATOM_NONE} : found->second;
}

xcb_get_property_cookie_t X11Connection::askProperty(xcb_window_t window, xcb_atom_t property) {
    // The length is in 32-bit units; no property the glue reads comes near it.
    constexpr std::uint32_t longest = 1U << 16;
    return xcb_get_property(m_xcb, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longest);
}

std::vector<std::uint32_t> X11Connection::values32(xcb_get_property_cookie_t cookie) {
    XcbOwned<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_xcb, cookie, nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
    return {values, values + count};
}

std::optional<std::vector<std::uint8_t>> X11Connection::bytes(xcb_get_property_cookie_t cookie) {
    XcbOwned<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_xcb, cookie, nullptr));
    if (!reply || reply->format != 8) return std::nullopt;
    const auto* values = static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get()));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
    return std::vector<std::uint8_t>(values, values + count);
}

std::vector<std::uint32_t> X11Connection::values32(xcb_window_t window, const std::string& property) {
    const xcb_atom_t atomOf = atom(property);
    if (atomOf == XCB_ATOM_NONE) return {};
    return values32(askProperty(window, atomOf));
}

std::optional<std::uint32_t> X11Connection::value32(xcb_window_t window, const std::string& property) {
    const std::vector<std::uint32_t> values = values32(window, property);
    if (values.empty()) return std::nullopt;
    return values.front();
}

void X11Connection::dropQueued() {
    while (XcbOwned<xcb_generic_event_t> queued{xcb_poll_for_queued_event(m_xcb)}) {
    }
}

void X11Connection::sendToRoot(xcb_window_t window, const std::string& type,
                               std::initializer_list<std::uint32_t> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(type);
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 5), message.data.data32);
    xcb_send_event(m_xcb, 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_xcb);
}

}  // namespace brimly
