#include <xcb/shape.h>

#include "app/x11/X11Window.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

// Which pixels of a 400 x 100 window the rectangles cover: the server may split a shape into other
// rectangles than it was given.
std::vector<bool> coverage(const std::vector<Rect>& rects) {
    std::vector<bool> covered(400 * 100);
    for (const Rect& r : rects) {
        for (auto y = std::size_t(r.y); y < std::size_t(r.maxY()); ++y)
            for (auto x = std::size_t(r.x); x < std::size_t(r.maxX()); ++x) covered[y * 400 + x] = true;
    }
    return covered;
}
std::vector<Rect> shape(testing::XClient& client, xcb_window_t window, std::uint8_t kind) {
    auto* reply = xcb_shape_get_rectangles_reply(
        client.xcb(), xcb_shape_get_rectangles(client.xcb(), window, kind), nullptr);
    std::vector<Rect> rects;
    for (int i = 0; reply && i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
        const xcb_rectangle_t r = xcb_shape_get_rectangles_rectangles(reply)[i];
        rects.push_back({double(r.x), double(r.y), double(r.width), double(r.height)});
    }
    std::free(reply);
    return rects;
}

using X11WindowTest = testing::XvfbTest;

TEST_F(X11WindowTest, ShapesAndHintsReadBackAsSetTheCompositorIsSeenAndAGoneServerRefusesEverything) {
    auto glue = X11Window::open(m_server.display(), nullptr);
    ASSERT_TRUE(glue);
    testing::XClient client(m_server.display());
    const xcb_window_t window = client.window({0, 0, 400, 100});
    const Rect whole{0, 0, 400, 100};
    // clang-format off
    const std::tuple<const char*, std::uint8_t, std::optional<std::vector<Rect>>, std::vector<Rect>> cases[] = {
        {"input: drawer and tab",      XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{100, 0, 200, 60}, {330, 0, 40, 20}},
                                                              {{100, 0, 200, 60}, {330, 0, 40, 20}}},
        {"input: fractions round",     XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{99.6, 0.4, 200.2, 59.5}}, {{100, 0, 200, 60}}},
        {"input: clicks pass through", XCB_SHAPE_SK_INPUT,    std::vector<Rect>{},                         {}},
        {"input: empty rects dropped", XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{5, 5, 0, 10}},            {}},
        {"bounding: the drawer only",  XCB_SHAPE_SK_BOUNDING, std::vector<Rect>{{100, 0, 200, 60}},        {{100, 0, 200, 60}}},
        {"bounding: removed",          XCB_SHAPE_SK_BOUNDING, std::nullopt,                                {whole}},
    };
    // clang-format on
    for (const auto& [name, kind, rects, readBack] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(kind == XCB_SHAPE_SK_INPUT ? glue->setInputRegion(window, *rects)
                                               : glue->setBoundingRegion(window, rects));
        EXPECT_TRUE(coverage(shape(client, window, kind)) == coverage(readBack));
    }
    EXPECT_FALSE(glue->setInputRegion(0x7ffffff, {whole})) << "a window that does not exist";

    // An unmapped panel carries its hints as properties.
    ASSERT_TRUE(glue->setDockProperties(window));
    EXPECT_EQ(client->values32(window, "_NET_WM_WINDOW_TYPE"),
              std::vector<std::uint32_t>{client->atom(X11Window::panelType)});
    EXPECT_EQ(client->values32(window, "_NET_WM_DESKTOP"), std::vector<std::uint32_t>{allDesktops});
    EXPECT_EQ(client->values32(window, "_NET_WM_STATE"),
              (std::vector<std::uint32_t>{
                  client->atom("_NET_WM_STATE_STICKY"), client->atom("_NET_WM_STATE_SKIP_TASKBAR"),
                  client->atom("_NET_WM_STATE_SKIP_PAGER"), client->atom("_NET_WM_STATE_ABOVE")}));
    EXPECT_FALSE(glue->setDockProperties(0x7ffffff));

    EXPECT_FALSE(glue->compositorRunning());
    EXPECT_FALSE(glue->compositorRunning(3)) << "a screen the server does not have";
    if (m_server.launch({"xcompmgr"})) {
        // xcompmgr announces nothing a plain client could wait on.
        EXPECT_TRUE(testing::askUntil([&] { return glue->compositorRunning(); }));
    }

    m_server.stop();
    EXPECT_FALSE(glue->setDockProperties(window));
    EXPECT_FALSE(glue->setInputRegion(window, {}));
    EXPECT_FALSE(glue->setBoundingRegion(window, std::nullopt));
    EXPECT_FALSE(glue->compositorRunning());
    EXPECT_FALSE(glue->raise(window));
}

TEST_F(X11WindowTest, UnderOpenboxPanelsGetTheirHintsMappedOrNotAndStayAboveOthers) {
    if (!canRunOpenbox()) GTEST_SKIP() << "openbox or xprop is not installed";
    ASSERT_TRUE(m_server.startOpenbox());
    auto glue = X11Window::open(m_server.display(), nullptr);
    ASSERT_TRUE(glue);
    testing::XClient client(m_server.display());
    // Mapped first, so the hints have to travel as requests to the window manager.
    const xcb_window_t late = client.window({0, 200, 100, 30});
    client.map(late);
    ASSERT_TRUE(testing::dispatchUntil(client, [&] {
        return testing::contains(client->values32(client.root(), "_NET_CLIENT_LIST"), late);
    }));
    ASSERT_TRUE(glue->setDockProperties(late));
    // openbox keeps stickiness in the desktop number alone.
    EXPECT_TRUE(testing::dispatchUntil(client, [&] {
        const std::vector<std::uint32_t> state = client->values32(late, "_NET_WM_STATE");
        return testing::contains(state, client->atom("_NET_WM_STATE_SKIP_TASKBAR")) &&
               testing::contains(state, client->atom("_NET_WM_STATE_SKIP_PAGER")) &&
               testing::contains(state, client->atom("_NET_WM_STATE_ABOVE")) &&
               client->value32(late, "_NET_WM_DESKTOP") == allDesktops;
    }));

    // A panel mapped before the others stays above a normal window that takes the focus, and above a
    // full-screen one once that lost it. openbox lifts a focused full-screen window over every managed
    // window whatever its type, so that case is not asked here.
    const xcb_window_t panel = client.window({200, 0, 240, 40});
    ASSERT_TRUE(glue->setDockProperties(panel));
    client.map(panel);
    const xcb_window_t full = client.window({0, 0, 100, 100}), normal = client.window({0, 0, 300, 300});
    client.set(full, "_NET_WM_STATE", XCB_ATOM_ATOM, {client->atom("_NET_WM_STATE_FULLSCREEN")});
    client.map(full);
    client.map(normal);
    ASSERT_TRUE(testing::dispatchUntil(
        client, [&] { return client->value32(client.root(), "_NET_ACTIVE_WINDOW") == normal; }));
    // Where each window's frame lies among the root's children, bottom first.
    auto* tree = xcb_query_tree_reply(client.xcb(), xcb_query_tree(client.xcb(), client.root()), nullptr);
    const std::vector<xcb_window_t> stack(
        xcb_query_tree_children(tree), xcb_query_tree_children(tree) + xcb_query_tree_children_length(tree));
    std::free(tree);
    const auto position = [&](xcb_window_t w) {
        return std::find(stack.begin(), stack.end(), client.topLevel(w)) - stack.begin();
    };
    EXPECT_GT(position(panel), position(normal));
    EXPECT_GT(position(panel), position(full));
    EXPECT_TRUE(glue->raise(panel));
}

}  // namespace
}  // namespace brimly
