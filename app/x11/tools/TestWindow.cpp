// A plain application window for the desktop end-to-end tests: `full-screen` maps a white window that asks
// the window manager for full screen; `X Y WIDTH HEIGHT` maps an ordinary one there. Either takes the focus,
// prints its window id and stays until it is killed. It names its process as toolkits do, so the drawer can
// tell which display the frontmost application is on.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* xcb, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(xcb, xcb_intern_atom(xcb, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    const bool fullScreen = argc == 2 && std::string(argv[1]) == "full-screen";
    if (!fullScreen && argc != 5) {
        std::fprintf(stderr, "usage: %s full-screen | X Y WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* xcb = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(xcb)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    xcb_screen_t* screen = screens.data;

    std::int16_t x = 0, y = 0;
    std::uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    if (!fullScreen) {
        x = std::int16_t(std::atoi(argv[1]));
        y = std::int16_t(std::atoi(argv[2]));
        width = std::uint16_t(std::atoi(argv[3]));
        height = std::uint16_t(std::atoi(argv[4]));
    }
    xcb_window_t window = xcb_generate_id(xcb);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, x, y, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const char title[] = "brimly-test-window";
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    const std::uint32_t pid = std::uint32_t(::getpid());
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, atom(xcb, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                        1, &pid);
    if (fullScreen) {
        // Set before mapping, the state is the window manager's to honour as it manages the window.
        const xcb_atom_t state = atom(xcb, "_NET_WM_STATE_FULLSCREEN");
        xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, atom(xcb, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                            1, &state);
    } else {
        // Where the test asks for it, not where the window manager would rather put it.
        const std::uint32_t hints[18] = {1 | 4 | 8, 0, 0, 0, 0};  // USPosition | PPosition | PSize
        xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    }
    xcb_map_window(xcb, window);
    xcb_flush(xcb);
    std::printf("%u\n", window);
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(xcb)) std::free(event);
    xcb_disconnect(xcb);
    return 0;
}
