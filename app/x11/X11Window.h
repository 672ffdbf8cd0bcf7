#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Geometry.h"

namespace brimly {

class X11Connection;

// What the drawer's panels need from the window system beyond what the toolkit offers: the window-manager
// hints that keep a panel above everything on every desktop, input and bounding shapes, and whether a
// compositor draws translucency. Windows are named by their X id (the toolkit's native id); rectangles are
// in the window's own coordinates. Used on the main thread, on a connection of its own. Every call answers
// false when the server refused it or went away.
class X11Window {
public:
    // The window type the panels get: window managers draw no frame around it and keep it out of focus
    // cycling. The ABOVE state is what lifts it over other windows; a focused full-screen window still covers
    // every managed window under openbox, whatever its type.
    static constexpr const char* panelType = "_NET_WM_WINDOW_TYPE_DOCK";

    // Absent when no server answers; `why` (when given) then says why.
    static std::unique_ptr<X11Window> open(const std::string& displayName, std::string* why);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // Type `panelType`, on every desktop, sticky, above, and kept off the task bar and pager. An unmapped
    // window gets them as properties, which the window manager reads when it maps it; a mapped one asks the
    // window manager, which owns those properties by then.
    bool setDockProperties(std::uint32_t window);
    // Where the window takes pointer input; an empty list lets every click through to what lies below.
    bool setInputRegion(std::uint32_t window, const std::vector<Rect>& rects);
    // The window's visible outline; absent restores the full rectangle.
    bool setBoundingRegion(std::uint32_t window, const std::optional<std::vector<Rect>>& rects);
    // Whether a compositing manager owns screen `screenNumber` (-1: this connection's screen).
    bool compositorRunning(int screenNumber = -1);
    bool raise(std::uint32_t window);
    // The window holding keyboard focus (none, pointer-root and unviewable windows included as they are).
    std::optional<std::uint32_t> focusedWindow();
    // Gives `window` the keyboard focus directly: the panels never take focus through the window manager,
    // which keeps dock windows out of focus cycling, so the drawer asks for keys only while it may have them.
    bool focus(std::uint32_t window);

private:
    explicit X11Window(std::unique_ptr<X11Connection> connection);
    bool setShape(std::uint32_t window, std::uint8_t kind, const std::optional<std::vector<Rect>>& rects);

    std::unique_ptr<X11Connection> m_connection;
};

}  // namespace brimly
