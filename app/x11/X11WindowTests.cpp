#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>

#include "app/x11/X11Window.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

// Which pixels of a 400 x 100 window the window's shape of `kind` covers: the server may split a shape into
// other rectangles than it was given.
std::vector<bool> coverage(const std::vector<Rect>& rects) {
    std::vector<bool> covered(400 * 100);
    for (std::size_t i = 0; i < covered.size(); ++i) {
        const Point pixel{double(i % 400) + 0.5, double(i / 400) + 0.5};
        covered[i] =
            std::any_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.contains(pixel); });
    }
    return covered;
}
std::vector<bool> coverage(testing::XClient& client, xcb_window_t window, std::uint8_t kind) {
    auto* reply = xcb_shape_get_rectangles_reply(
        client.xcb(), xcb_shape_get_rectangles(client.xcb(), window, kind), nullptr);
    std::vector<Rect> rects;
    const xcb_rectangle_t* data = reply ? xcb_shape_get_rectangles_rectangles(reply) : nullptr;
    for (int i = 0; reply && i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
        rects.push_back(
            {double(data[i].x), double(data[i].y), double(data[i].width), double(data[i].height)});
    }
    std::free(reply);
    return coverage(rects);
}

bool contains(const std::vector<std::uint32_t>& values, std::uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

class X11WindowTest : public testing::XvfbTest {
protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::string why;
        m_window = X11Window::open(m_server.display(), &why);
        ASSERT_TRUE(m_window) << why;
    }

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
        EXPECT_TRUE(coverage(client, window, c.kind) == coverage(c.readBack));
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
    ASSERT_TRUE(client.waitUntil([&] { return client.rootLists("_NET_CLIENT_LIST", late); }));
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
    EXPECT_GT(client.stackPosition(panel), client.stackPosition(normal));
    EXPECT_GT(client.stackPosition(panel), client.stackPosition(full));
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
