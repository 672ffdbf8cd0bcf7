// A plain full-screen application for the desktop end-to-end test: maps a white window that asks the
// window manager for full screen, takes the focus, prints its window id and stays until it is killed. The
// drawer must still show above it.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* xcb, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(xcb, xcb_intern_atom(xcb, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

}  // namespace

int main() {
    int screenNumber = 0;
    xcb_connection_t* xcb = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(xcb)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    xcb_screen_t* screen = screens.data;

    xcb_window_t window = xcb_generate_id(xcb);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, screen->width_in_pixels,
                      screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const char title[] = "brimly-full-screen";
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    // Set before mapping, the state is the window manager's to honour as it manages the window.
    const xcb_atom_t fullScreen = atom(xcb, "_NET_WM_STATE_FULLSCREEN");
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, atom(xcb, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 1,
                        &fullScreen);
    xcb_map_window(xcb, window);
    xcb_flush(xcb);
    std::printf("%u\n", window);
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(xcb)) std::free(event);
    xcb_disconnect(xcb);
    return 0;
}
