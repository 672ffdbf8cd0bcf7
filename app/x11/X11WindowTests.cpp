#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>

#include "app/x11/X11Window.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

std::vector<Rect> shapeOf(testing::XClient& client, xcb_window_t window, std::uint8_t kind) {
    auto* reply = xcb_shape_get_rectangles_reply(
        client.xcb(), xcb_shape_get_rectangles(client.xcb(), window, kind), nullptr);
    std::vector<Rect> rects;
    if (!reply) return rects;
    const xcb_rectangle_t* data = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
        rects.push_back(
            {double(data[i].x), double(data[i].y), double(data[i].width), double(data[i].height)});
    }
    std::free(reply);
    return rects;
}

// Which pixels of a `width` x `height` window the rectangles cover: the server may split a shape into
// other rectangles than it was given.
std::vector<bool> coverage(const std::vector<Rect>& rects, int width = 400, int height = 100) {
    std::vector<bool> covered(std::size_t(width * height));
    for (const Rect& rect : rects) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (rect.contains({x + 0.5, y + 0.5})) covered[std::size_t(y * width + x)] = true;
            }
        }
    }
    return covered;
}

bool contains(const std::vector<std::uint32_t>& values, std::uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// The position of the window's top-level ancestor (its frame, once a window manager adopted it) among the
// root's children, bottom first.
long stackPosition(testing::XClient& client, xcb_window_t window) {
    for (xcb_window_t current = window;;) {
        auto* tree = xcb_query_tree_reply(client.xcb(), xcb_query_tree(client.xcb(), current), nullptr);
        if (!tree) return -1;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == client.root()) break;
        current = parent;
        window = parent;
    }
    auto* tree = xcb_query_tree_reply(client.xcb(), xcb_query_tree(client.xcb(), client.root()), nullptr);
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    const long position = std::find(children, children + count, window) - children;
    std::free(tree);
    return position;
}

class X11WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_server.isMissing()) GTEST_SKIP() << m_server.problem();
        ASSERT_FALSE(m_server.display().empty()) << m_server.problem();
        std::string why;
        m_window = X11Window::open(m_server.display(), &why);
        ASSERT_TRUE(m_window) << why;
    }

    testing::XvfbServer m_server;
    std::unique_ptr<X11Window> m_window;
};

TEST_F(X11WindowTest, ShapesReadBackAsSet) {
    testing::XClient client(m_server.display());
    const xcb_window_t window = client.window(0, 0, 400, 100);
    const Rect whole{0, 0, 400, 100};
    struct Case {
        const char* name;
        std::uint8_t kind;
        std::optional<std::vector<Rect>> rects;
        std::vector<Rect> readBack;
    };
    // clang-format off
    const Case cases[] = {
        {"input: drawer and tab",       XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{100, 0, 200, 60}, {330, 0, 40, 20}},
                                                               {{100, 0, 200, 60}, {330, 0, 40, 20}}},
        {"input: fractions round",      XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{99.6, 0.4, 200.2, 59.5}},
                                                               {{100, 0, 200, 60}}},
        {"input: clicks pass through",  XCB_SHAPE_SK_INPUT,    std::vector<Rect>{},                  {}},
        {"input: empty rects dropped",  XCB_SHAPE_SK_INPUT,    std::vector<Rect>{{5, 5, 0, 10}},     {}},
        {"bounding: the drawer only",   XCB_SHAPE_SK_BOUNDING, std::vector<Rect>{{100, 0, 200, 60}}, {{100, 0, 200, 60}}},
        {"bounding: removed",           XCB_SHAPE_SK_BOUNDING, std::nullopt,                         {whole}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool done = c.kind == XCB_SHAPE_SK_INPUT && c.rects
                              ? m_window->setInputRegion(window, *c.rects)
                              : m_window->setBoundingRegion(window, c.rects);
        EXPECT_TRUE(done);
        EXPECT_TRUE(coverage(shapeOf(client, window, c.kind)) == coverage(c.readBack));
    }
    EXPECT_FALSE(m_window->setInputRegion(0x7ffffff, {whole})) << "a window that does not exist";
}

TEST_F(X11WindowTest, AnUnmappedPanelCarriesItsHintsAsProperties) {
    testing::XClient client(m_server.display());
    const xcb_window_t panel = client.window(0, 0, 100, 30);
    ASSERT_TRUE(m_window->setDockProperties(panel));
    EXPECT_EQ(client.get(panel, "_NET_WM_WINDOW_TYPE"),
              std::vector<std::uint32_t>{client.atom(X11Window::panelType)});
    EXPECT_EQ(client.get(panel, "_NET_WM_DESKTOP"), std::vector<std::uint32_t>{allDesktops});
    EXPECT_EQ(client.get(panel, "_NET_WM_STATE"),
              (std::vector<std::uint32_t>{
                  client.atom("_NET_WM_STATE_STICKY"), client.atom("_NET_WM_STATE_SKIP_TASKBAR"),
                  client.atom("_NET_WM_STATE_SKIP_PAGER"), client.atom("_NET_WM_STATE_ABOVE")}));
    EXPECT_FALSE(m_window->setDockProperties(0x7ffffff));
}

TEST_F(X11WindowTest, UnderOpenboxPanelsGetTheirHintsMappedOrNotAndStayAboveOthers) {
    if (!testing::XvfbServer::canRunOpenbox()) GTEST_SKIP() << "openbox or xprop is not installed";
    ASSERT_TRUE(m_server.startOpenbox());
    testing::XClient client(m_server.display());
    client.followRoot();

    // Mapped first, so the hints have to travel as requests to the window manager.
    const xcb_window_t late = client.window(0, 200, 100, 30);
    client.map(late);
    ASSERT_TRUE(
        client.waitUntil([&] { return contains(client.get(client.root(), "_NET_CLIENT_LIST"), late); }));
    ASSERT_TRUE(m_window->setDockProperties(late));
    // openbox keeps stickiness in the desktop number alone.
    const std::vector<std::uint32_t> wanted{client.atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                            client.atom("_NET_WM_STATE_SKIP_PAGER"),
                                            client.atom("_NET_WM_STATE_ABOVE")};
    EXPECT_TRUE(client.waitUntil([&] {
        const std::vector<std::uint32_t> state = client.get(late, "_NET_WM_STATE");
        return std::all_of(wanted.begin(), wanted.end(),
                           [&](std::uint32_t s) { return contains(state, s); }) &&
               client.get(late, "_NET_WM_DESKTOP") == std::vector<std::uint32_t>{allDesktops};
    }));

    // A panel mapped before the others stays above a normal window that takes the focus, and above a
    // full-screen one once that lost it. openbox lifts a focused full-screen window over every managed
    // window whatever its type, so that case is not asked here.
    const xcb_window_t panel = client.window(200, 0, 240, 40);
    ASSERT_TRUE(m_window->setDockProperties(panel));
    client.map(panel);
    const xcb_window_t full = client.window(0, 0, 100, 100);
    client.set(full, "_NET_WM_STATE", XCB_ATOM_ATOM, {client.atom("_NET_WM_STATE_FULLSCREEN")});
    client.map(full);
    const xcb_window_t normal = client.window(0, 0, 300, 300);
    client.map(normal);
    const auto isActive = [&](xcb_window_t window) {
        return client.get(client.root(), "_NET_ACTIVE_WINDOW") == std::vector<std::uint32_t>{window};
    };
    ASSERT_TRUE(client.waitUntil([&] { return isActive(normal); }));
    EXPECT_GT(stackPosition(client, panel), stackPosition(client, normal));
    EXPECT_GT(stackPosition(client, panel), stackPosition(client, full));
    EXPECT_TRUE(m_window->raise(panel));
}

TEST_F(X11WindowTest, CompositorIsSeenByItsSelection) {
    EXPECT_FALSE(m_window->compositorRunning());
    EXPECT_FALSE(m_window->compositorRunning(3)) << "a screen the server does not have";
    if (!testing::XvfbServer::isInstalled("xcompmgr")) GTEST_SKIP() << "xcompmgr is not installed";
    ASSERT_TRUE(m_server.launch({"xcompmgr"}));
    // xcompmgr announces nothing a plain client could wait on, so the selection is asked until it has an
    // owner; each question is a round trip, not a sleep.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool running = false;
    while (!running && std::chrono::steady_clock::now() < deadline) running = m_window->compositorRunning();
    EXPECT_TRUE(running);
}

TEST_F(X11WindowTest, AGoneServerRefusesEverything) {
    testing::XClient client(m_server.display());
    const xcb_window_t window = client.window(0, 0, 10, 10);
    m_server.stop();
    EXPECT_FALSE(m_window->setDockProperties(window));
    EXPECT_FALSE(m_window->setInputRegion(window, {}));
    EXPECT_FALSE(m_window->setBoundingRegion(window, std::nullopt));
    EXPECT_FALSE(m_window->compositorRunning());
    EXPECT_FALSE(m_window->raise(window));
}

}  // namespace
}  // namespace brimly
