#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Geometry.h"

namespace brimly {

class X11Connection;

// A top-level window as the active-display tracking weighs it. `layer` is 0 for ordinary application
// windows and 1 for docks, desktops, panels and the like; `bounds` is in root coordinates (origin top-left,
// y down) and includes the window manager's frame.
struct WindowInfo {
    std::int32_t pid = 0;
    int layer = 0;
    double alpha = 1;
    Rect bounds;
    bool operator==(const WindowInfo&) const = default;
};

// Watches what the window manager publishes on the root window (active window, current desktop, the
// window lists and work area) and RandR's screen changes, and reads the window list on demand. Nothing
// polls: the event loop watches `fileDescriptor()` and calls `dispatch()`. The readers use a second
// connection, since events that arrive while a reply is awaited would wait in xcb's queue without waking
// the descriptor. Main thread. A server that went away makes every reader answer empty.
class X11RootWatch {
public:
    // Absent when no server answers; `why` (when given) then says why.
    static std::unique_ptr<X11RootWatch> open(const std::string& displayName, std::string* why);
    ~X11RootWatch();
    X11RootWatch(const X11RootWatch&) = delete;
    X11RootWatch& operator=(const X11RootWatch&) = delete;

    int fileDescriptor() const;
    // Drains what arrived and calls each handler at most once: screens, windows, desktop, active window.
    void dispatch();
    void setOnActiveWindow(std::function<void()> handler);
    void setOnDesktop(std::function<void()> handler);
    // The window list or the work area changed, so the struts may have too.
    void setOnWindows(std::function<void()> handler);
    void setOnScreens(std::function<void()> handler);
    // The desktop's settings daemon published new settings, or another daemon took over.
    void setOnDesktopSettings(std::function<void()> handler);

    // The viewable managed windows, frontmost first.
    std::vector<WindowInfo> windowsFrontToBack();
    std::optional<std::int32_t> activePid();
    // The process drawing the desktop (a window of the desktop type), the file manager's part on X11.
    std::optional<std::int32_t> desktopOwnerPid();
    std::optional<std::uint32_t> currentDesktop();
    // "Gtk/EnableAnimations" of the desktop's XSETTINGS: false when the user asked for reduced motion.
    // Absent without a settings daemon or without that setting.
    std::optional<bool> animationsEnabled();

private:
    X11RootWatch(std::unique_ptr<X11Connection> events, std::unique_ptr<X11Connection> reader,
                 std::optional<std::uint8_t> randrEvents);
    // Follows the property of whichever client owns the XSETTINGS selection now.
    void watchSettingsOwner();

    std::unique_ptr<X11Connection> m_events;
    std::unique_ptr<X11Connection> m_reader;
    std::optional<std::uint8_t> m_randrEvents;
    std::function<void()> m_onActiveWindow;
    std::function<void()> m_onDesktop;
    std::function<void()> m_onWindows;
    std::function<void()> m_onScreens;
    std::function<void()> m_onDesktopSettings;
    std::string m_settingsSelection;
    std::uint32_t m_settingsOwner = 0;
};

}  // namespace brimly
