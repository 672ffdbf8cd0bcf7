#include <gtest/gtest.h>

#include "core/shelf/CompareGeometry.h"

namespace brimly {
namespace {

using namespace CompareGeometry;

TEST(CompareGeometryTest, SurfaceTakesTheLargestRoomyPartBesideTheDrawer) {
    // name, screen, drawer, surface
    const std::tuple<const char*, Rect, std::optional<Rect>, Rect> cases[] = {
        // Below a drawer hanging from the top: a 1440 × 688 region, so 840 wide (capped) and 688 − 64 high.
        {"below a top drawer", {0, 0, 1440, 900}, Rect{420, 700, 600, 200}, {300, 32, 840, 624}},
        {"no drawer", {0, 0, 1440, 900}, std::nullopt, {300, 130, 840, 640}},
        // A drawer down the left edge leaves the right part as the largest.
        {"right of a side drawer", {0, 0, 1440, 900}, Rect{0, 0, 300, 900}, {456, 130, 840, 640}},
        // Region 700 × 500 (right of a drawer) is roomy enough; the surface fills it less the margins.
        {"small region", {0, 0, 1012, 500}, Rect{0, 0, 300, 500}, {344, 32, 636, 436}},
        // 623 points beside the drawer is one short of the smallest region: the whole screen is used.
        {"too small beside the drawer", {0, 0, 935, 500}, Rect{0, 0, 300, 500}, {47.5, 32, 840, 436}},
        {"tiny screen", {100, 100, 60, 40}, Rect{100, 100, 10, 10}, {130, 120, 0, 0}},
        {"offset screen", {-1440, 200, 1440, 900}, std::nullopt, {-1140, 330, 840, 640}},
    };
    for (const auto& [name, screen, drawer, expected] : cases)
        EXPECT_EQ(surface(screen, drawer), expected) << name;
}

TEST(CompareGeometryTest, RestFrameZoomAndReach) {
    EXPECT_EQ(restFrame({100, 100, 50, 40}), (Rect{68, 68, 114, 104}));

    EXPECT_EQ(zoom(std::nullopt, {0, 0, 800, 600}), (Zoom{0.9, {0, 0}}));
    EXPECT_EQ(zoom(Rect{10, 10, 0, 50}, {0, 0, 800, 600}), (Zoom{0.9, {0, 0}}));
    EXPECT_EQ(zoom(Rect{0, 0, 80, 60}, {100, 100, 800, 600}), (Zoom{0.1, {-460, -370}}));
    EXPECT_EQ(zoom(Rect{0, 0, 8, 6}, {0, 0, 800, 600}).scale, 0.1);
    EXPECT_EQ(zoom(Rect{0, 0, 1600, 6}, {0, 0, 800, 600}).scale, 1);
    EXPECT_EQ(zoom(Rect{0, 0, 400, 300}, {0, 0, 800, 600}), (Zoom{0.5, {-200, -150}}));

    const Rect surfaceRect{100, 100, 800, 600};
    EXPECT_EQ(reach(surfaceRect, std::nullopt), restFrame(surfaceRect));
    // A source inside the rest frame changes nothing.
    EXPECT_EQ(reach(surfaceRect, Rect{480, 380, 40, 40}), restFrame(surfaceRect));
    // A thumbnail far above: half height = 20 + (1200 − 400) + 8 = 828.
    EXPECT_EQ(reach(surfaceRect, Rect{480, 1180, 40, 40}), (Rect{68, -428, 864, 1656}));
}

TEST(CompareGeometryTest, OverlayScalesBothVersionsAlike) {
    auto pair = overlay({200, 100}, {100, 100}, {0, 0, 400, 400});
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->first, (Rect{0, 100, 400, 200}));
    EXPECT_EQ(pair->second, (Rect{100, 100, 200, 200}));
    EXPECT_FALSE(overlay({0, 100}, {100, 100}, {0, 0, 400, 400}));
    EXPECT_FALSE(overlay({100, 100}, {100, -1}, {0, 0, 400, 400}));
    EXPECT_FALSE(overlay({100, 100}, {100, 100}, {0, 0, 400, 0}));
}

TEST(CompareGeometryTest, BridgeFillsTheGapBetweenDrawerAndSurface) {
    // Surface below the drawer, overlapping 200…500 horizontally.
    auto below = bridge({100, 800, 400, 100}, {200, 100, 600, 600});
    ASSERT_EQ(below.size(), 3u);
    EXPECT_EQ(below[2], (Rect{200, 700, 300, 100}));

    // Surface to the right, overlapping 300…500 vertically.
    auto beside = bridge({0, 300, 100, 600}, {150, 0, 500, 500});
    ASSERT_EQ(beside.size(), 3u);
    EXPECT_EQ(beside[2], (Rect{100, 300, 50, 200}));

    // Diagonal neighbours share no range: only the two rectangles.
    EXPECT_EQ(bridge({0, 0, 100, 100}, {200, 200, 100, 100}).size(), 2u);
    // Overlapping rectangles have no gap to fill.
    EXPECT_EQ(bridge({0, 0, 100, 100}, {50, 50, 100, 100}).size(), 2u);
}

}  // namespace
}  // namespace brimly
