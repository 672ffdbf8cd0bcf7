#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <functional>

#include "app/x11/X11RootWatch.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t iconicState = 3;

// The window's outermost rectangle as the server has it: the window manager's frame once one adopted it.
Rect topLevelFrame(testing::XClient& client, xcb_window_t window) {
    auto* geometry = xcb_get_geometry_reply(client.xcb(),
                                            xcb_get_geometry(client.xcb(), client.topLevel(window)), nullptr);
    const int border = 2 * geometry->border_width;
    const Rect frame{double(geometry->x), double(geometry->y), double(geometry->width + border),
                     double(geometry->height + border)};
    std::free(geometry);
    return frame;
}

// A client window with its owner's pid and, when given, a window type and EWMH states.
xcb_window_t appWindow(testing::XClient& client, Rect rect, std::uint32_t pid, const char* type = nullptr,
                       const char* state = nullptr) {
    const xcb_window_t window =
        client.window(static_cast<std::int16_t>(rect.x), static_cast<std::int16_t>(rect.y),
                      static_cast<std::uint16_t>(rect.width), static_cast<std::uint16_t>(rect.height));
    client.set(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, {pid});
    if (type) client.set(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {client.atom(type)});
    if (state) client.set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, {client.atom(state)});
    return window;
}

// Dispatches until `done` holds; the poll's timeout only guards against an event that never comes.
bool dispatchUntil(X11RootWatch& watch, const std::function<bool()>& done) {
    for (int round = 0; round < 100 && !done(); ++round) {
        pollfd readable{watch.fileDescriptor(), POLLIN, 0};
        if (::poll(&readable, 1, 20000) != 1) return false;
        watch.dispatch();
    }
    return done();
}

class X11RootWatchTest : public testing::XvfbTest {
protected:
    std::unique_ptr<X11RootWatch> open() {
        std::string why;
        auto watch = X11RootWatch::open(m_server.display(), &why);
        EXPECT_TRUE(watch) << why;
        return watch;
    }
};

TEST_F(X11RootWatchTest, UnderOpenboxListsTheViewableWindowsFrontToBackWithOwnersAndFrames) {
    if (!testing::XvfbServer::canRunOpenbox()) GTEST_SKIP() << "openbox or xprop is not installed";
    ASSERT_TRUE(m_server.startOpenbox());
    auto watch = open();
    ASSERT_TRUE(watch);
    testing::XClient client(m_server.display());
    client.followRoot();

    const xcb_window_t desktop = appWindow(client, {0, 0, 640, 480}, 500, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_window_t faded = appWindow(client, {10, 10, 200, 100}, 100);
    client.set(faded, "_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL, {0x7FFFFFFF});
    const xcb_window_t minimised = appWindow(client, {50, 50, 100, 100}, 400);
    const xcb_window_t dock = appWindow(client, {200, 0, 240, 40}, 300, "_NET_WM_WINDOW_TYPE_DOCK");
    const xcb_window_t dialog = appWindow(client, {300, 300, 80, 60}, 600, "_NET_WM_WINDOW_TYPE_DIALOG");
    const xcb_window_t full = appWindow(client, {0, 0, 100, 100}, 200, nullptr, "_NET_WM_STATE_FULLSCREEN");
    for (const xcb_window_t window : {desktop, faded, minimised, dock, dialog, full}) client.map(window);
    ASSERT_TRUE(client.waitUntil([&] { return client.rootLists("_NET_CLIENT_LIST_STACKING", minimised); }));
    client.sendToRoot(minimised, "WM_CHANGE_STATE", {iconicState});
    ASSERT_TRUE(client.waitUntil([&] {
        return client.get(client.root(), "_NET_ACTIVE_WINDOW") == std::vector<std::uint32_t>{full} &&
               client.rootLists("_NET_CLIENT_LIST_STACKING", full) &&
               client.get(minimised, "WM_STATE").size() == 2 &&
               client.get(minimised, "WM_STATE")[0] == iconicState;
    }));

    const std::vector<WindowInfo> windows = watch->windowsFrontToBack();
    // clang-format off
    const std::vector<WindowInfo> expected{
        {200, 0, 1,                  topLevelFrame(client, full)},
        {300, 1, 1,                  topLevelFrame(client, dock)},
        {600, 0, 1,                  topLevelFrame(client, dialog)},
        {100, 0, 0x7FFFFFFF / double(0xFFFFFFFF), topLevelFrame(client, faded)},
        {500, 1, 1,                  topLevelFrame(client, desktop)},
    };
    // clang-format on
    ASSERT_EQ(windows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].pid);
        EXPECT_EQ(windows[i].pid, expected[i].pid);
        EXPECT_EQ(windows[i].layer, expected[i].layer);
        EXPECT_NEAR(windows[i].alpha, expected[i].alpha, 1e-9);
        EXPECT_EQ(windows[i].bounds, expected[i].bounds);
    }
    EXPECT_EQ(windows[0].bounds, (Rect{0, 0, 640, 480})) << "a full-screen window covers the screen";
    EXPECT_GT(windows[3].bounds.width, 200) << "the frame counts";
    EXPECT_EQ(watch->activePid(), 200);
    EXPECT_EQ(watch->desktopOwnerPid(), 500);
    EXPECT_EQ(watch->currentDesktop(), 0U);
}

TEST_F(X11RootWatchTest, UnderOpenboxEachChangeReachesItsHandler) {
    if (!testing::XvfbServer::canRunOpenbox()) GTEST_SKIP() << "openbox or xprop is not installed";
    ASSERT_TRUE(m_server.startOpenbox());
    auto watch = open();
    ASSERT_TRUE(watch);
    int active = 0, desktop = 0, windows = 0, screens = 0;
    watch->setOnActiveWindow([&] { ++active; });
    watch->setOnDesktop([&] { ++desktop; });
    watch->setOnWindows([&] { ++windows; });
    watch->setOnScreens([&] { ++screens; });
    testing::XClient client(m_server.display());
    const xcb_window_t first = appWindow(client, {0, 0, 100, 100}, 11);
    const xcb_window_t second = appWindow(client, {200, 0, 100, 100}, 22);
    client.map(first);
    client.map(second);
    ASSERT_TRUE(dispatchUntil(*watch, [&] { return watch->activePid() == 22; }));

    struct Case {
        const char* name;
        std::function<void()> act;
        const int& counter;
        std::function<bool()> after;
    };
    const Case cases[] = {
        {"another window activated", [&] { client.sendToRoot(first, "_NET_ACTIVE_WINDOW", {2}); }, active,
         [&] { return watch->activePid() == 11; }},
        {"desktop switched", [&] { client.sendToRoot(client.root(), "_NET_CURRENT_DESKTOP", {1}); }, desktop,
         [&] { return watch->currentDesktop() == 1U; }},
        {"a window appears",
         [&] {
             client.map(appWindow(client, {0, 0, 50, 50}, 33));
         },
         windows, [] { return true; }},
        // Xvfb's screen cannot grow, but a new physical size is a change all the same.
        {"the screen is measured anew",
         [&] { xcb_randr_set_screen_size(client.xcb(), client.root(), 640, 480, 100, 75), client.sync(); },
         screens, [] { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = c.counter;
        c.act();
        // A reader's round trip in between must not hide the change from the descriptor.
        watch->windowsFrontToBack();
        // The window manager may pass through intermediate values (no active window, say) on its way.
        EXPECT_TRUE(dispatchUntil(*watch, [&] { return c.counter > before && c.after(); }));
    }
}

TEST_F(X11RootWatchTest, WithoutAWindowManagerAndAfterTheServerLeftReadersAreEmpty) {
    auto watch = open();
    ASSERT_TRUE(watch);
    EXPECT_TRUE(watch->windowsFrontToBack().empty());
    EXPECT_EQ(watch->activePid(), std::nullopt);
    EXPECT_EQ(watch->desktopOwnerPid(), std::nullopt);
    EXPECT_EQ(watch->currentDesktop(), std::nullopt);

    // A bare window listed by hand: no frame, no pid, no opacity.
    testing::XClient client(m_server.display());
    const xcb_window_t bare = client.window(30, 40, 50, 60);
    const xcb_window_t unmapped = client.window(0, 0, 10, 10);
    client.map(bare);
    client.set(client.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, {bare, unmapped});
    EXPECT_EQ(watch->windowsFrontToBack(), (std::vector<WindowInfo>{{0, 0, 1, {30, 40, 50, 60}}}));

    m_server.stop();
    watch->dispatch();
    EXPECT_TRUE(watch->windowsFrontToBack().empty());
    EXPECT_EQ(watch->activePid(), std::nullopt);
    EXPECT_EQ(watch->desktopOwnerPid(), std::nullopt);
    EXPECT_EQ(watch->currentDesktop(), std::nullopt);
}

}  // namespace
}  // namespace brimly
