#include <gtest/gtest.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstring>

#include "app/x11/X11Screens.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint32_t whole = 0xFFFFFFFF;

Strut leftStrut(std::uint32_t width, std::uint32_t startY, std::uint32_t endY) {
    Strut strut;
    strut.left = width;
    strut.leftStartY = startY;
    strut.leftEndY = endY;
    return strut;
}
Strut topStrut(std::uint32_t height, std::uint32_t startX, std::uint32_t endX) {
    Strut strut;
    strut.top = height;
    strut.topStartX = startX;
    strut.topEndX = endX;
    return strut;
}
Strut bottomStrut(std::uint32_t height, std::uint32_t startX, std::uint32_t endX) {
    Strut strut;
    strut.bottom = height;
    strut.bottomStartX = startX;
    strut.bottomEndX = endX;
    return strut;
}
Strut rightStrut(std::uint32_t width, std::uint32_t startY, std::uint32_t endY) {
    Strut strut;
    strut.right = width;
    strut.rightStartY = startY;
    strut.rightEndY = endY;
    return strut;
}

TEST(X11ScreensTest, StrutsCutOnlyTheScreensTheirBandsEndOn) {
    // Two 1920x1080 screens side by side; the right one is 1280x1024 and top-aligned in the last cases.
    const Rect root{0, 0, 3840, 1080};
    const Rect a{0, 0, 1920, 1080};
    const Rect b{1920, 0, 1920, 1080};
    const Rect mixedRoot{0, 0, 3200, 1080};
    const Rect small{1920, 0, 1280, 1024};
    struct Case {
        const char* name;
        Rect root;
        Rect screen;
        std::vector<Strut> struts;
        Rect visible;
    };
    // clang-format off
    const Case cases[] = {
        {"no struts",                         root,      a,     {},                                     a},
        {"bottom panel on B, seen from A",    root,      a,     {bottomStrut(40, 1920, 3839)},          a},
        {"bottom panel on B",                 root,      b,     {bottomStrut(40, 1920, 3839)},          {1920, 0, 1920, 1040}},
        {"top bar over both, on A",           root,      a,     {topStrut(28, 0, 3839)},                {0, 28, 1920, 1052}},
        {"top bar over both, on B",           root,      b,     {topStrut(28, 0, 3839)},                {1920, 28, 1920, 1052}},
        {"top bar and bottom panel on B",     root,      b,     {topStrut(28, 0, 3839),
                                                                 bottomStrut(40, 1920, 3839)},          {1920, 28, 1920, 1012}},
        {"left dock on A",                    root,      a,     {leftStrut(64, 100, 979)},              {64, 0, 1856, 1080}},
        {"left dock on A, seen from B",       root,      b,     {leftStrut(64, 100, 979)},              b},
        {"left dock, range below the screen", root,      a,     {leftStrut(64, 2000, 2100)},            a},
        {"dock at B's inner left edge",       root,      b,     {leftStrut(1984, 0, 1079)},             {1984, 0, 1856, 1080}},
        {"that dock leaves A alone",          root,      a,     {leftStrut(1984, 0, 1079)},             a},
        {"right dock on B",                   root,      b,     {rightStrut(48, 0, 1079)},              {1920, 0, 1872, 1080}},
        {"two top struts: the deeper wins",   root,      a,     {topStrut(28, 0, 3839),
                                                                 topStrut(40, 0, 1919)},                {0, 40, 1920, 1040}},
        {"old-style strut spans whole edges", root,      b,     {*Strut::fromValues({0, 0, 0, 30})},    {1920, 0, 1920, 1050}},
        {"reversed range reserves nothing",   root,      a,     {topStrut(28, 500, 100)},               a},
        {"panel on a shorter screen",         mixedRoot, small, {bottomStrut(86, 1920, 3199)},          {1920, 0, 1280, 994}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect visible = X11Screens::visibleFrame(c.screen, c.root, c.struts);
        EXPECT_EQ(visible, c.visible)
            << visible.x << "," << visible.y << " " << visible.width << "x" << visible.height;
    }
}

TEST(X11ScreensTest, StrutValuesOfBothPropertiesAndNothingElse) {
    const std::vector<std::uint32_t> twelve{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(Strut::fromValues(twelve), (Strut{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Strut::fromValues({1, 2, 3, 4}), (Strut{1, 2, 3, 4, 0, whole, 0, whole, 0, whole, 0, whole}));
    for (const std::vector<std::uint32_t>& bad :
         std::vector<std::vector<std::uint32_t>>{{}, {1, 2, 3}, {1, 2, 3, 4, 5}}) {
        EXPECT_EQ(Strut::fromValues(bad), std::nullopt) << bad.size() << " values";
    }
}

std::vector<std::uint8_t> edid(std::uint8_t serial, std::uint8_t checksum) {
    std::vector<std::uint8_t> bytes(128, 0);
    const std::uint8_t header[] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x10, 0xac, 0x41, 0xa0};
    std::memcpy(bytes.data(), header, sizeof header);
    bytes[12] = serial;
    bytes[127] = checksum;
    return bytes;
}

TEST(X11ScreensTest, DisplayIDsFollowTheMonitorNotTheConnector) {
    const DisplayID nameA = X11Screens::displayIDFor({}, "a");
    // FNV-1a's published value for "a": ids stay the ones stored by earlier versions.
    EXPECT_EQ(nameA, 0xe40c292cU);
    EXPECT_EQ(X11Screens::displayIDFor({}, ""), 2166136261U);

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
        {"equal areas: first",       {{1920, 1080}, {1080, 1920}},               0, 0},
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

class X11ScreensServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_server.isMissing()) GTEST_SKIP() << m_server.problem();
        ASSERT_FALSE(m_server.display().empty()) << m_server.problem();
    }
    testing::XvfbServer m_server;
};

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
