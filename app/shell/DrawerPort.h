#pragma once

#include <string>

#include "core/base/Json.h"
#include "core/config/DisplayStyleChoice.h"

namespace brimly {

// What the application shell asks of the drawer: its panels, the hover detector, and the watchers of the
// active display and of virtual desktops. The shell calls these at the start-up steps and preference changes
// where they belong; the drawer fills them in.
class DrawerPort {
public:
    virtual ~DrawerPort() = default;

    // Builds or rebuilds one panel per display (start-up, screens changed, a virtual desktop switched).
    virtual void refreshPanels() = 0;
    virtual void startWatchers(bool activeDisplayOnly) = 0;
    virtual void setActiveDisplayOnly(bool enabled) = 0;
    virtual void requestStyle(const DisplayStyleChoice& style) = 0;
    virtual void setCompareKeyCode(long keyCode) = 0;
    // The global hot key, the tray's "Show Shelf" and `brimly toggle`: opens or closes the drawer.
    virtual void hotkey() = 0;
    // Closes any open drawer and forgets hover state.
    virtual void resetHover() = 0;
    // What `brimly status` reports about the drawer (open display, hover phase).
    virtual Json status() const = 0;
    // The preview and compare windows go: the drawer closed, or Escape stepped back past them.
    virtual void closeItemWindows() {}
};

// Until the drawer's windows exist: counts the requests that would open it, so that a user (and the desktop
// tests) can see that the hot key and `brimly toggle` reach the program.
class InertDrawer final : public DrawerPort {
public:
    void refreshPanels() override {}
    void startWatchers(bool) override {}
    void setActiveDisplayOnly(bool) override {}
    void requestStyle(const DisplayStyleChoice&) override {}
    void setCompareKeyCode(long) override {}
    void hotkey() override { ++m_toggles; }
    void resetHover() override {}
    Json status() const override { return Json{{"windows", false}, {"toggles", m_toggles}}; }

private:
    long m_toggles = 0;
};

}  // namespace brimly
