#include <xcb/randr.h>

#include "app/x11/X11RootWatch.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t iconicState = 3;

// A client window with its owner's pid and, when given, a window type and an EWMH state.
xcb_window_t appWindow(testing::XClient& client, Rect rect, std::uint32_t pid, const char* type = nullptr,
                       const char* state = nullptr) {
    const xcb_window_t window = client.window(rect);
    client.set(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, {pid});
    if (type) client.set(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, {client->atom(type)});
    if (state) client.set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, {client->atom(state)});
    client.map(window);
    return window;
}

using X11RootWatchTest = testing::XvfbTest;

TEST_F(X11RootWatchTest, UnderOpenboxListsTheViewableWindowsFrontToBackAndEachChangeReachesItsHandler) {
    if (!canRunOpenbox()) GTEST_SKIP() << "openbox or xprop is not installed";
    ASSERT_TRUE(m_server.startOpenbox());
    auto watch = X11RootWatch::open(m_server.display(), nullptr);
    ASSERT_TRUE(watch);
    int active = 0, desktop = 0, windows = 0, screens = 0;
    watch->setOnActiveWindow([&] { ++active; });
    watch->setOnDesktop([&] { ++desktop; });
    watch->setOnWindows([&] { ++windows; });
    watch->setOnScreens([&] { ++screens; });
    testing::XClient client(m_server.display());
    const xcb_window_t desktopWindow =
        appWindow(client, {0, 0, 640, 480}, 500, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_window_t faded = client.window({10, 10, 200, 100});
    client.set(faded, "_NET_WM_PID", XCB_ATOM_CARDINAL, {100});
    client.set(faded, "_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL, {0x7FFFFFFF});
    client.map(faded);
    const xcb_window_t minimised = appWindow(client, {50, 50, 100, 100}, 400);
    const xcb_window_t dock = appWindow(client, {200, 0, 240, 40}, 300, "_NET_WM_WINDOW_TYPE_DOCK");
    const xcb_window_t dialog = appWindow(client, {300, 300, 80, 60}, 600, "_NET_WM_WINDOW_TYPE_DIALOG");
    const xcb_window_t full = appWindow(client, {0, 0, 100, 100}, 200, nullptr, "_NET_WM_STATE_FULLSCREEN");
    const auto isListed = [&](xcb_window_t w) {
        return testing::contains(client->values32(client.root(), "_NET_CLIENT_LIST_STACKING"), w);
    };
    ASSERT_TRUE(testing::dispatchUntil(client, [&] { return isListed(minimised); }));
    client->sendToRoot(minimised, "WM_CHANGE_STATE", {iconicState});
    ASSERT_TRUE(testing::dispatchUntil(client, [&] {
        return client->value32(client.root(), "_NET_ACTIVE_WINDOW") == full && isListed(full) &&
               client->value32(minimised, "WM_STATE") == iconicState;
    }));

    // The frame counts: the decorated window is wider than its client.
    const auto frame = [&](xcb_window_t window) {
        auto* geometry = xcb_get_geometry_reply(
            client.xcb(), xcb_get_geometry(client.xcb(), client.topLevel(window)), nullptr);
        const int border = 2 * geometry->border_width;
        const Rect bounds{double(geometry->x), double(geometry->y), double(geometry->width + border),
                          double(geometry->height + border)};
        std::free(geometry);
        return bounds;
    };
    EXPECT_GT(frame(faded).width, 200);
    // clang-format off
    EXPECT_EQ(watch->windowsFrontToBack(), (std::vector<WindowInfo>{
        {200, 0, 1,                                {0, 0, 640, 480}},  // full screen
        {300, 1, 1,                                frame(dock)},
        {600, 0, 1,                                frame(dialog)},
        {100, 0, 0x7FFFFFFF / double(0xFFFFFFFF), frame(faded)},
        {500, 1, 1,                                frame(desktopWindow)},
    }));
    // clang-format on
    EXPECT_EQ(watch->activePid(), 200);
    EXPECT_EQ(watch->desktopOwnerPid(), 500);
    EXPECT_EQ(watch->currentDesktop(), 0U);

    watch->dispatch();
    struct Case {
        const char* name;
        std::function<void()> act;
        const int& counter;
        std::function<bool()> after;
    };
    const Case cases[] = {
        {"another window activated", [&] { client->sendToRoot(dialog, "_NET_ACTIVE_WINDOW", {2}); }, active,
         [&] { return watch->activePid() == 600; }},
        {"desktop switched", [&] { client->sendToRoot(client.root(), "_NET_CURRENT_DESKTOP", {1}); }, desktop,
         [&] { return watch->currentDesktop() == 1U; }},
        {"a window appears",
         [&] {
             appWindow(client, {0, 0, 50, 50}, 33);
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
        EXPECT_TRUE(testing::dispatchUntil(*watch, [&] { return c.counter > before && c.after(); }));
    }
}

TEST_F(X11RootWatchTest, WithoutAWindowManagerAndAfterTheServerLeftReadersAreEmpty) {
    auto watch = X11RootWatch::open(m_server.display(), nullptr);
    ASSERT_TRUE(watch);
    const auto expectEmpty = [&] {
        EXPECT_TRUE(watch->windowsFrontToBack().empty());
        EXPECT_EQ(watch->activePid(), std::nullopt);
        EXPECT_EQ(watch->desktopOwnerPid(), std::nullopt);
        EXPECT_EQ(watch->currentDesktop(), std::nullopt);
    };
    expectEmpty();
    // A bare window listed by hand: no frame, no pid, no opacity.
    testing::XClient client(m_server.display());
    const xcb_window_t bare = client.window({30, 40, 50, 60}), unmapped = client.window();
    client.map(bare);
    client.set(client.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, {bare, unmapped});
    EXPECT_EQ(watch->windowsFrontToBack(), (std::vector<WindowInfo>{{0, 0, 1, {30, 40, 50, 60}}}));
    m_server.stop();
    watch->dispatch();
    expectEmpty();
}

// The property a settings daemon publishes, holding only "Gtk/EnableAnimations".
std::vector<std::uint8_t> animationsSetting(std::uint8_t enabled) {
    const std::string name = "Gtk/EnableAnimations";  // 20 bytes: no padding
    std::vector<std::uint8_t> bytes{0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, std::uint8_t(name.size()), 0};
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.insert(bytes.end(), {0, 0, 0, 0, enabled, 0, 0, 0});
    return bytes;
}

TEST_F(X11RootWatchTest, FollowsTheDesktopsAnimationSettingThroughItsDaemons) {
    auto watch = X11RootWatch::open(m_server.display(), nullptr);
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->animationsEnabled(), std::nullopt);
    int changes = 0;
    watch->setOnDesktopSettings([&] { ++changes; });

    testing::XClient daemon(m_server.display());
    const xcb_window_t owner = daemon.window();
    const auto publish = [&](std::uint8_t enabled) {
        const std::vector<std::uint8_t> bytes = animationsSetting(enabled);
        const xcb_atom_t settings = daemon->atom("_XSETTINGS_SETTINGS");
        xcb_change_property(daemon.xcb(), XCB_PROP_MODE_REPLACE, owner, settings, settings, 8,
                            std::uint32_t(bytes.size()), bytes.data());
        daemon.sync();
    };
    publish(0);
    // A daemon starting up takes the selection and announces itself to the root window's clients.
    xcb_set_selection_owner(daemon.xcb(), owner, daemon->atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
    xcb_client_message_event_t manager{};
    manager.response_type = XCB_CLIENT_MESSAGE;
    manager.format = 32;
    manager.window = daemon.root();
    manager.type = daemon->atom("MANAGER");
    manager.data.data32[1] = daemon->atom("_XSETTINGS_S0");
    manager.data.data32[2] = owner;
    xcb_send_event(daemon.xcb(), 0, daemon.root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&manager));
    daemon.sync();
    ASSERT_TRUE(testing::dispatchUntil(*watch, [&] { return changes == 1; }));
    EXPECT_EQ(watch->animationsEnabled(), false);

    publish(1);
    ASSERT_TRUE(testing::dispatchUntil(*watch, [&] { return changes == 2; }));
    EXPECT_EQ(watch->animationsEnabled(), true);

    xcb_destroy_window(daemon.xcb(), owner);
    daemon.sync();
    ASSERT_TRUE(testing::dispatchUntil(*watch, [&] { return changes == 3; }));
    EXPECT_EQ(watch->animationsEnabled(), std::nullopt);
}

}  // namespace
}  // namespace brimly
