#pragma once

// Internal to app/x11: this header includes xcb, so only the glue's own .cpp files may include it.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace brimly {

struct XcbFree {
    void operator()(void* reply) const { std::free(reply); }
};
// A reply, event or error as xcb allocates it.
template <typename Reply>
using XcbOwned = std::unique_ptr<Reply, XcbFree>;

// One xcb connection with its screen, the atoms interned on it and the property reads every piece of the
// glue repeats. A server that goes away leaves it broken: every read then answers empty, never crashes.
class X11Connection {
public:
    // Absent when no server answers; `why` (when given) then says why.
    static std::unique_ptr<X11Connection> open(const std::string& displayName, std::string* why);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* xcb() const { return m_xcb; }
    xcb_window_t root() const { return m_screen->root; }
    const xcb_screen_t& screen() const { return *m_screen; }
    int screenNumber() const { return m_screenNumber; }
    bool isBroken() const { return xcb_connection_has_error(m_xcb) != 0; }
    // Whether the server has the extension; asked before any of its requests, which a server without it
    // would never answer.
    bool hasExtension(xcb_extension_t* extension) const;

    // Interns the names in one round trip; later `atom` calls for them need none.
    void intern(std::initializer_list<const char*> names);
    // XCB_ATOM_NONE when the server is gone.
    xcb_atom_t atom(const std::string& name);

    xcb_get_property_cookie_t askProperty(xcb_window_t window, xcb_atom_t property);
    // The values of a 32-bit property, empty when it is absent or of another format.
    std::vector<std::uint32_t> values32(xcb_get_property_cookie_t cookie);
    // The bytes of an 8-bit property, absent when there is no such property.
    std::optional<std::vector<std::uint8_t>> bytes(xcb_get_property_cookie_t cookie);
    std::vector<std::uint32_t> values32(xcb_window_t window, const std::string& property);
    std::optional<std::uint32_t> value32(xcb_window_t window, const std::string& property);

    // Drops what waits in xcb's queue. A reply asked for without an error slot leaves its error there (a
    // window that vanished mid-read, say), so a connection whose events nobody reads calls this with each
    // round of questions, lest the errors pile up for the life of the program.
    void dropQueued();

    // Sends a 32-bit client message to the root window the way EWMH asks clients to talk to the window
    // manager.
    void sendToRoot(xcb_window_t window, const std::string& type, std::initializer_list<std::uint32_t> data);

private:
    X11Connection(xcb_connection_t* xcb, const xcb_screen_t* screen, int screenNumber);

    xcb_connection_t* m_xcb;
    const xcb_screen_t* m_screen;
    int m_screenNumber;
    std::unordered_map<std::string, xcb_atom_t> m_atoms;
};

}  // namespace brimly
