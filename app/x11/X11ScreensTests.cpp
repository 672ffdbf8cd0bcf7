#include <gtest/gtest.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include "app/x11/X11Screens.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t whole = 0xFFFFFFFF;

TEST(X11ScreensTest, StrutsCutOnlyTheScreensTheirBandsEndOn) {
    // Two 1920x1080 screens side by side, A on the left; the last case has a shorter, top-aligned B.
    const Rect root{0, 0, 3840, 1080}, a{0, 0, 1920, 1080}, b{1920, 0, 1920, 1080};
    const Strut bottomOnB{.bottom = 40, .bottomStartX = 1920, .bottomEndX = 3839};
    const Strut topBar{.top = 28, .topStartX = 0, .topEndX = 3839};
    const Strut leftDock{.left = 64, .leftStartY = 100, .leftEndY = 979};
    const Strut dockOnBsLeft{.left = 1984, .leftEndY = 1079};
    struct Case {
        const char* name;
        Rect root, screen;
        std::vector<Strut> struts;
        Rect visible;
    };
    // clang-format off
    const Case cases[] = {
        {"bottom panel on B, seen from A",  root, a, {bottomOnB},                                        a},
        {"bottom panel on B",               root, b, {bottomOnB},                                        {1920, 0, 1920, 1040}},
        {"top bar over both, on A",         root, a, {topBar},                                           {0, 28, 1920, 1052}},
        {"top bar and bottom panel on B",   root, b, {topBar, bottomOnB},                                {1920, 28, 1920, 1012}},
        {"the deeper of two top struts",    root, a, {topBar, {.top = 40, .topEndX = 1919}},             {0, 40, 1920, 1040}},
        {"left dock on A",                  root, a, {leftDock},                                         {64, 0, 1856, 1080}},
        {"left dock on A, seen from B",     root, b, {leftDock},                                         b},
        {"left dock below the screen",      root, a, {{.left = 64, .leftStartY = 2000, .leftEndY = 2100}}, a},
        {"dock at B's inner left edge",     root, b, {dockOnBsLeft},                                     {1984, 0, 1856, 1080}},
        {"that dock leaves A alone",        root, a, {dockOnBsLeft},                                     a},
        {"right dock on B",                 root, b, {{.right = 48, .rightEndY = 1079}},                 {1920, 0, 1872, 1080}},
        {"old strut: whole edges",          root, b, {*Strut::fromValues({0, 0, 0, 30})},                {1920, 0, 1920, 1050}},
        {"reversed range reserves nothing", root, a, {{.top = 28, .topStartX = 500, .topEndX = 100}},   a},
        {"panel on a shorter screen",       {0, 0, 3200, 1080}, {1920, 0, 1280, 1024},
                                            {{.bottom = 86, .bottomStartX = 1920, .bottomEndX = 3199}},  {1920, 0, 1280, 994}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Rect visible = X11Screens::visibleFrame(c.screen, c.root, c.struts);
        EXPECT_EQ(visible, c.visible) << c.name << ": " << visible.x << "," << visible.y << " "
                                      << visible.width << "x" << visible.height;
    }
    EXPECT_EQ(Strut::fromValues({1, 2, 3, 4}), (Strut{1, 2, 3, 4, 0, whole, 0, whole, 0, whole, 0, whole}));
    EXPECT_EQ(Strut::fromValues({1, 2, 3, 4, 5}), std::nullopt);
}

std::vector<std::uint8_t> edid(std::uint8_t serial, std::uint8_t checksum) {
    std::vector<std::uint8_t> bytes{0x00, 0xff, 0xff, 0xff, 0xff, 0xff,  0xff,
                                    0x00, 0x10, 0xac, 0x41, 0xa0, serial};
    bytes.resize(128);
    bytes[127] = checksum;
    return bytes;
}

TEST(X11ScreensTest, DisplayIDsFollowTheMonitorNotTheConnector) {
    const DisplayID nameA = X11Screens::displayIDFor({}, "a");
    // FNV-1a's published value for "a": ids stay the ones stored by earlier versions.
    EXPECT_EQ(nameA, 0xe40c292cU);

    const DisplayID monitor = X11Screens::displayIDFor(edid(1, 0), "DP-1");
    EXPECT_EQ(X11Screens::displayIDFor(edid(1, 0x55), "HDMI-2"), monitor) << "same monitor, other port";
    EXPECT_NE(X11Screens::displayIDFor(edid(2, 0), "DP-1"), monitor) << "another unit of the model";
    EXPECT_NE(monitor, X11Screens::displayIDFor({}, "DP-1"));
    std::vector<std::uint8_t> truncated = edid(1, 0);
    truncated.resize(12);
    EXPECT_EQ(X11Screens::displayIDFor(truncated, "a"), nameA) << "an EDID too short to name the monitor";
    EXPECT_EQ(X11Screens::displayIDFor(edid(1, 0), "a", {monitor}), nameA) << "a twin without serial";
}

TEST(X11ScreensTest, NativeModeIsTheLargestPreferredElseTheLargest) {
    struct Case {
        const char* name;
        std::vector<PixelSize> modes;
        int preferred;
        std::optional<std::size_t> index;
    };
    // clang-format off
    const Case cases[] = {
        {"preferred first",          {{2560, 1440}, {3840, 2160}, {1920, 1080}}, 1, 0},
        {"largest of two preferred", {{2560, 1440}, {3840, 2160}, {5120, 2880}}, 2, 1},
        {"none preferred",           {{1280, 720}, {3840, 2160}, {1920, 1080}},  0, 1},
        {"preferred of no size",     {{0, 0}, {800, 600}},                       1, 1},
        {"count beyond the list",    {{800, 600}},                               4, 0},
        {"no modes",                 {},                                         1, std::nullopt},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(X11Screens::nativeModeIndex(c.modes, c.preferred), c.index) << c.name;
    }
}

// Gives the first output an EDID, as the driver of a real monitor would.
void setEdid(testing::XClient& driver, const std::vector<std::uint8_t>& bytes) {
    auto* resources = xcb_randr_get_screen_resources_current_reply(
        driver.xcb(), xcb_randr_get_screen_resources_current(driver.xcb(), driver.root()), nullptr);
    ASSERT_TRUE(resources);
    const xcb_randr_output_t output = xcb_randr_get_screen_resources_current_outputs(resources)[0];
    std::free(resources);
    xcb_randr_change_output_property(driver.xcb(), output, driver.atom("EDID"), XCB_ATOM_INTEGER, 8,
                                     XCB_PROP_MODE_REPLACE, static_cast<std::uint32_t>(bytes.size()),
                                     bytes.data());
    driver.sync();
}

using X11ScreensServerTest = testing::XvfbTest;

TEST_F(X11ScreensServerTest, ListsTheOutputAndNamesItByItsEdid) {
    std::string why;
    auto screens = X11Screens::open(m_server.display(), &why);
    ASSERT_TRUE(screens) << why;
    std::vector<ScreenInfo> listed = screens->list();
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0].frame, (Rect{0, 0, 640, 480}));
    EXPECT_EQ(listed[0].native, (PixelSize{640, 480}));
    EXPECT_TRUE(listed[0].primary);
    EXPECT_EQ(listed[0].id, X11Screens::displayIDFor({}, listed[0].name)) << "no EDID: the output's name";
    EXPECT_EQ(screens->rootFrame(), (Rect{0, 0, 640, 480}));

    testing::XClient driver(m_server.display());
    setEdid(driver, edid(7, 0));
    listed = screens->list();
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0].id, X11Screens::displayIDFor(edid(7, 0), "elsewhere"));
}

TEST_F(X11ScreensServerTest, ReadsBothStrutPropertiesOfListedClientsOnly) {
    testing::XClient wm(m_server.display());
    const xcb_window_t panel = wm.window(0, 0, 10, 10);
    const xcb_window_t oldDock = wm.window(0, 0, 10, 10);
    const xcb_window_t plain = wm.window(0, 0, 10, 10);
    const xcb_window_t unlisted = wm.window(0, 0, 10, 10);
    wm.set(panel, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 639});
    wm.set(panel, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {0, 0, 0, 40});
    wm.set(oldDock, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {64, 0, 0, 0});
    wm.set(unlisted, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {0, 0, 99, 0});
    wm.set(wm.root(), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {panel, plain, oldDock});

    auto screens = X11Screens::open(m_server.display(), nullptr);
    ASSERT_TRUE(screens);
    const std::vector<Strut> struts = screens->readStruts();
    ASSERT_EQ(struts.size(), 2U);
    EXPECT_EQ(struts[0], (Strut{0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 639})) << "the partial strut wins";
    EXPECT_EQ(struts[1], *Strut::fromValues({64, 0, 0, 0}));
    EXPECT_EQ(X11Screens::visibleFrame(screens->list().at(0).frame, screens->rootFrame(), struts),
              (Rect{64, 0, 576, 440}));
}

TEST(X11ScreensNoRandrTest, TheRootIsTheOnlyScreenAndAGoneServerShowsNone) {
    testing::XvfbServer server({"-extension", "RANDR"});
    if (server.isMissing()) GTEST_SKIP() << server.problem();
    ASSERT_FALSE(server.display().empty()) << server.problem();
    auto screens = X11Screens::open(server.display(), nullptr);
    ASSERT_TRUE(screens);
    const std::vector<ScreenInfo> listed = screens->list();
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0], (ScreenInfo{X11Screens::displayIDFor({}, "default"),
                                     "default",
                                     {0, 0, 640, 480},
                                     PixelSize{640, 480},
                                     true}));

    server.stop();
    EXPECT_TRUE(screens->list().empty());
    EXPECT_TRUE(screens->readStruts().empty());
    EXPECT_EQ(screens->rootFrame(), Rect{});
}

}  // namespace
}  // namespace brimly
