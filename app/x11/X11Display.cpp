#include "app/x11/X11Display.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace brimly {

bool X11Display::usable(const std::string& displayName, std::string* why) {
    // Only a caller that asks for the screen number learns that the screen does not exist.
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screen);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0 && why) *why = connectionProblem(error, displayName);
    return error == 0;
}

std::string X11Display::connectionProblem(int code, const std::string& displayName) {
    std::string name = displayName;
    if (name.empty()) {
        // xcb reads $DISPLAY itself; it is read here only to name it, and to give its absence a sentence.
        const char* env = std::getenv("DISPLAY");
        if (!env || !*env) return "DISPLAY is not set";
        name = env;
    }
    const std::string display = "X display \"" + name + "\"";
    switch (code) {
        case XCB_CONN_CLOSED_PARSE_ERR:
            return display + " is not a valid display name";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return display + " has no such screen";
        case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
            return "out of memory while connecting to " + display;
        case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
        case XCB_CONN_CLOSED_REQ_LEN_EXCEED:
        case XCB_CONN_CLOSED_FDPASSING_FAILED:
            return "the connection to " + display + " broke down";
        default:
            return "cannot connect to " + display + " (no server, or access refused)";
    }
}

}  // namespace brimly
