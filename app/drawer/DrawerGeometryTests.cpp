#include <gtest/gtest.h>

#include "app/drawer/Displays.h"
#include "app/drawer/DrawerMotion.h"
#include "app/drawer/GlobalSpace.h"

namespace brimly {
namespace {

TEST(GlobalSpaceTest, TheOriginIsThePrimaryScreensBottomLeftWithYUp) {
    // A 1920×1080 primary at the root's left, a taller 1600×1200 screen to its right.
    GlobalSpace space(Rect{0, 0, 1920, 1080});
    struct Case {
        Point root;
        Point global;
    };
    // clang-format off
    const Case cases[] = {
        {{0, 1080}, {0, 0}},          // the primary's bottom-left corner
        {{0, 0}, {0, 1080}},          // its top-left corner
        {{2000, 1200}, {2000, -120}}, // the taller screen reaches below the primary
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(space.toGlobal(c.root), c.global);
        EXPECT_EQ(space.toRoot(c.global), c.root);
    }
    Rect bar{860, 0, 200, 32};
    EXPECT_EQ(space.toGlobal(bar), (Rect{860, 1048, 200, 32}));
    EXPECT_EQ(space.toRoot(space.toGlobal(bar)), bar);
    // A primary that is not at the root's origin moves the origin with it.
    EXPECT_EQ(GlobalSpace(Rect{1600, 120, 1920, 1080}).toGlobal(Point{1600, 1200}), (Point{0, 0}));
}

TEST(DrawerMotionTest, CurvesStartAtRestEndSettledAndStretchWithTheMotionScale) {
    for (const auto& curve : {DrawerMotion::open(nullptr, false), DrawerMotion::close(nullptr, false),
                              DrawerMotion::open(nullptr, true)}) {
        for (double scale : {1.0, 3.0}) {
            double duration = DrawerMotion::duration(curve, scale);
            EXPECT_EQ(DrawerMotion::progress(curve, 0, scale), 0);
            EXPECT_NEAR(DrawerMotion::progress(curve, duration, scale), 1, 0.001);
            double previous = 0;
            for (double t = 0; t <= duration; t += duration / 50) {
                double now = DrawerMotion::progress(curve, t, scale);
                EXPECT_GE(now, previous - 1e-12) << "no overshoot or step back at " << t;
                previous = now;
            }
        }
        EXPECT_NEAR(DrawerMotion::duration(curve, 3), 3 * DrawerMotion::duration(curve, 1), 1e-9);
    }
}

TEST(DisplaysTest, ScreensBecomeLayoutsInGlobalSpaceWithTheirStrutsAndNoNotch) {
    std::vector<ScreenInfo> screens = {
        {.id = 7, .name = "DP-1", .frame = {1920, 0, 1600, 1200}, .native = PixelSize{3200, 2400}},
        {.id = 3, .name = "HDMI-1", .frame = {0, 0, 1920, 1080}, .primary = true},
    };
    // A 40-point bottom panel on the primary only.
    Strut panel{.bottom = 120 + 40, .bottomStartX = 0, .bottomEndX = 1919};
    Displays displays = Displays::make(screens, Rect{0, 0, 3520, 1200}, {panel}, DisplayStyleChoice::notch());
    ASSERT_EQ(displays.layouts.size(), 2u);
    EXPECT_EQ(displays.primary, DisplayID(3));
    const DisplayLayout& primary = displays.layouts.at(3);
    EXPECT_EQ(primary.screenFrame(), (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(primary.visibleFrame(), (Rect{0, 40, 1920, 1040}));
    EXPECT_TRUE(primary.style().isHoverNotch()) << "a notch choice on a screen without a notch";
    EXPECT_EQ(displays.layouts.at(7).screenFrame(), (Rect{1920, -120, 1600, 1200}));
    EXPECT_EQ(displays.displayAt({100, 1079}), DisplayID(3));
    EXPECT_EQ(displays.displayAt({2000, -100}), DisplayID(7));
    EXPECT_EQ(displays.displayAt({100, -100}), std::nullopt) << "below the primary, beside the taller screen";
    ASSERT_EQ(displays.info.size(), 2u);
    EXPECT_EQ(displays.info[0].name, "DP-1");
    EXPECT_EQ(displays.info[0].resolution, (PixelSize{3200, 2400}));
}

}  // namespace
}  // namespace brimly
