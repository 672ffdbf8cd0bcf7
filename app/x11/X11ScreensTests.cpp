#include <xcb/randr.h>

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
    // clang-format off
    const std::tuple<const char*, Rect, Rect, std::vector<Strut>, Rect> cases[] = {
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
    for (const auto& [name, rootFrame, screen, struts, visible] : cases) {
        const Rect seen = X11Screens::visibleFrame(screen, rootFrame, struts);
        EXPECT_EQ(seen, visible) << name << ": " << seen.x << "," << seen.y << " " << seen.width << "x"
                                 << seen.height;
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

TEST(X11ScreensTest, DisplayIDsFollowTheMonitorAndTheNativeModeIsTheLargestPreferred) {
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

    // clang-format off
    const std::tuple<const char*, std::vector<PixelSize>, int, std::optional<std::size_t>> cases[] = {
        {"preferred first",          {{2560, 1440}, {3840, 2160}, {1920, 1080}}, 1, 0},
        {"largest of two preferred", {{2560, 1440}, {3840, 2160}, {5120, 2880}}, 2, 1},
        {"none preferred",           {{1280, 720}, {3840, 2160}, {1920, 1080}},  0, 1},
        {"preferred of no size",     {{0, 0}, {800, 600}},                       1, 1},
        {"count beyond the list",    {{800, 600}},                               4, 0},
        {"no modes",                 {},                                         1, std::nullopt},
    };
    // clang-format on
    for (const auto& [name, modes, preferred, index] : cases)
        EXPECT_EQ(X11Screens::nativeModeIndex(modes, preferred), index) << name;
}

using X11ScreensServerTest = testing::XvfbTest;

TEST_F(X11ScreensServerTest, ListsTheOutputByItsEdidReadsTheListedClientsStrutsAndWithoutRandrTheRoot) {
    testing::XClient wm(m_server.display());
    const xcb_window_t panel = wm.window(), oldDock = wm.window(), plain = wm.window(),
                       unlisted = wm.window();
    wm.set(panel, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 639});
    wm.set(panel, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {0, 0, 0, 40});
    wm.set(oldDock, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {64, 0, 0, 0});
    wm.set(unlisted, "_NET_WM_STRUT", XCB_ATOM_CARDINAL, {0, 0, 99, 0});
    wm.set(wm.root(), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, {panel, plain, oldDock});
    auto screens = X11Screens::open(m_server.display(), nullptr);
    ASSERT_TRUE(screens);
    std::vector<ScreenInfo> listed = screens->list();
    ASSERT_EQ(listed.size(), 1U);
    EXPECT_EQ(listed[0], (ScreenInfo{X11Screens::displayIDFor({}, listed[0].name),
                                     listed[0].name,
                                     {0, 0, 640, 480},
                                     PixelSize{640, 480},
                                     true}))
        << "no EDID: the output's name";
    EXPECT_EQ(screens->rootFrame(), (Rect{0, 0, 640, 480}));
    const std::vector<Strut> struts = screens->readStruts();
    EXPECT_EQ(struts, (std::vector<Strut>{{0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 639},
                                          *Strut::fromValues({64, 0, 0, 0})}))
        << "the partial strut wins";
    EXPECT_EQ(X11Screens::visibleFrame(listed[0].frame, screens->rootFrame(), struts),
              (Rect{64, 0, 576, 440}));

    // Gives the output an EDID, as the driver of a real monitor would.
    auto* resources = xcb_randr_get_screen_resources_current_reply(
        wm.xcb(), xcb_randr_get_screen_resources_current(wm.xcb(), wm.root()), nullptr);
    ASSERT_TRUE(resources);
    const std::vector<std::uint8_t> bytes = edid(7, 0);
    xcb_randr_change_output_property(wm.xcb(), xcb_randr_get_screen_resources_current_outputs(resources)[0],
                                     wm->atom("EDID"), XCB_ATOM_INTEGER, 8, XCB_PROP_MODE_REPLACE,
                                     std::uint32_t(bytes.size()), bytes.data());
    std::free(resources);
    wm.sync();
    EXPECT_EQ(screens->list().at(0).id, X11Screens::displayIDFor(bytes, "elsewhere"));

    testing::XvfbServer bare({"-extension", "RANDR"});
    auto rootOnly = X11Screens::open(bare.display(), nullptr);
    ASSERT_TRUE(rootOnly);
    EXPECT_EQ(rootOnly->list(), (std::vector<ScreenInfo>{{X11Screens::displayIDFor({}, "default"),
                                                          "default",
                                                          {0, 0, 640, 480},
                                                          PixelSize{640, 480},
                                                          true}}));
    bare.stop();
    EXPECT_TRUE(rootOnly->list().empty());
    EXPECT_TRUE(rootOnly->readStruts().empty());
    EXPECT_EQ(rootOnly->rootFrame(), Rect{});
}

}  // namespace
}  // namespace brimly
