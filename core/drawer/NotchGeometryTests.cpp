#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/drawer/DrawerTestSupport.h"
#include "core/drawer/GlowGeometry.h"
#include "core/drawer/Interpolation.h"
#include "core/drawer/NativeResolution.h"
#include "core/drawer/NotchGeometry.h"
#include "core/drawer/PulseSchedule.h"
#include "core/store/ImageProbe.h"
#include "core/testsupport/TestImages.h"

namespace brimly {
namespace {

const Rect laptop{0, 0, 1512, 982};

TEST(NotchGeometryTest, NotchIsTheGapBetweenTheMenuBarAreas) {
    // name, top inset, menu bar area left and right of the notch, notch
    const std::tuple<const char*, double, std::optional<Rect>, std::optional<Rect>, std::optional<Rect>>
        cases[] = {
            {"notched", 38, Rect{0, 944, 660, 38}, Rect{852, 944, 660, 38}, Rect{660, 944, 192, 38}},
            {"touching areas", 38, Rect{0, 944, 756, 38}, Rect{756, 944, 756, 38}, std::nullopt},
            {"overlapping areas", 38, Rect{0, 944, 800, 38}, Rect{700, 944, 812, 38}, std::nullopt},
            {"no inset", 0, Rect{0, 944, 660, 38}, Rect{852, 944, 660, 38}, std::nullopt},
            {"external with inset", 25, std::nullopt, std::nullopt, std::nullopt},
            {"one area", 38, Rect{0, 944, 660, 38}, std::nullopt, std::nullopt},
        };
    for (const auto& [name, inset, left, right, notch] : cases) {
        EXPECT_EQ(NotchGeometry::compute(laptop, inset, left, right).notchRect, notch) << name;
    }
}

TEST(NotchGeometryTest, ResolveKeepsACachedNotchOnlyForTheSameScreenSize) {
    NotchGeometry cached{laptop, Rect{660, 944, 192, 38}};
    NotchGeometry liveWithout{laptop, std::nullopt};
    EXPECT_EQ(NotchGeometry::resolve(liveWithout, cached), cached);
    EXPECT_EQ(NotchGeometry::resolve(liveWithout, std::nullopt), liveWithout);
    EXPECT_EQ(NotchGeometry::resolve(liveWithout, NotchGeometry{laptop, std::nullopt}), liveWithout);

    // The screen moved (arrangement changed): the notch moves with it.
    NotchGeometry moved{{-1512, 300, 1512, 982}, std::nullopt};
    EXPECT_EQ(NotchGeometry::resolve(moved, cached),
              (NotchGeometry{moved.screenFrame, Rect{-852, 1244, 192, 38}}));
    // Another resolution: the cached notch no longer fits.
    NotchGeometry scaled{{0, 0, 1800, 1169}, std::nullopt};
    EXPECT_EQ(NotchGeometry::resolve(scaled, cached), scaled);
    // A live notch always wins.
    NotchGeometry live{laptop, Rect{600, 944, 200, 38}};
    EXPECT_EQ(NotchGeometry::resolve(live, cached), live);
}

TEST(NativeResolutionTest, PrefersNativeThenUnscaledThenLargest) {
    using Modes = std::vector<DisplayModeSize>;
    // clang-format off
    const std::tuple<const char*, Modes, std::optional<PixelSize>> cases[] = {
        {"empty", {}, std::nullopt},
        {"native over larger scaled", {{1920, 1080, 3840, 2160, false}, {1512, 982, 3024, 1964, true}}, PixelSize{3024, 1964}},
        {"first of equal native areas", {{1, 1, 2000, 1000, true}, {1, 1, 1000, 2000, true}}, PixelSize{2000, 1000}},
        {"unscaled when none is native", {{1280, 720, 2560, 1440, false}, {1920, 1080, 1920, 1080, false}, {800, 600, 800, 600, false}}, PixelSize{1920, 1080}},
        {"largest of all otherwise", {{1280, 720, 2560, 1440, false}, {1920, 1080, 3840, 2160, false}}, PixelSize{3840, 2160}},
        // Areas past 2^31 must not wrap around.
        {"huge", {{1, 1, 60000, 60000, true}, {1, 1, 1000, 1000, true}}, PixelSize{60000, 60000}},
    };
    // clang-format on
    for (const auto& [name, modes, expected] : cases)
        EXPECT_EQ(NativeResolution::pick(modes), expected) << name;

    // The display's pixel size and a picture's header size are one type, so a unit may use both.
    auto capture = ImageProbe::pixelSize(ImageSource::fromBytes(testing::TestImages::png(64, 32)));
    EXPECT_EQ(capture, NativeResolution::pick({{64, 32, 128, 64, false}, {32, 16, 64, 32, true}}));
}

TEST(GlowGeometryTest, BloomOvalAndSpread) {
    EXPECT_EQ(GlowGeometry::bloomOval({0, 0, 200, 32}, 16), (Rect{-8, -24, 216, 80}));
    // Square: the wide rule.
    EXPECT_EQ(GlowGeometry::bloomOval({0, 0, 50, 50}, 10), (Rect{-5, -15, 60, 80}));
    EXPECT_EQ(GlowGeometry::bloomOval({0, 0, 4, 48}, 10), (Rect{-15, -5, 34, 58}));
    EXPECT_EQ(GlowGeometry::bloomOval({0, 0, 200, 32}, -3), (Rect{0, 0, 200, 32}));

    EXPECT_EQ(GlowGeometry::spreadScale(1.3, {}, 0), (GlowGeometry::Scale{1.3, 1.3}));
    // The spread adds the same distance on both axes.
    Rect core{0, 0, 200, 32};
    auto scale = GlowGeometry::spreadScale(1.2, core, 16);
    Rect oval = GlowGeometry::bloomOval(core, 16);
    double hx = 16 + oval.width / 2;
    double hy = 16 + oval.height / 2;
    EXPECT_NEAR((scale.x - 1) * hx, (scale.y - 1) * hy, 1e-12);
    EXPECT_NEAR((scale.y - 1) * hy, 0.2 * hy, 1e-12);
    EXPECT_EQ(GlowGeometry::spreadScale(1, core, 16), (GlowGeometry::Scale{1, 1}));
}

TEST(GlowImageTest, CanvasCoversTheShapesInWholePoints) {
    auto canvas = GlowImage::canvas({10.5, 20.25, 200, 32}, {10.5, 20.25, 200, 32}, 16, 2);
    ASSERT_TRUE(canvas.has_value());
    // Core and oval grown by 3 x 16, rounded outwards.
    EXPECT_EQ(canvas->frame, (Rect{-46, -52, 313, 177}));
    EXPECT_EQ(canvas->pixels, (PixelSize{626, 354}));
    EXPECT_EQ(GlowImage::canvas({}, {}, 16, 2), std::nullopt);
    EXPECT_EQ(GlowImage::canvas({0, 0, 10, 10}, {}, 16, 0), std::nullopt);
    EXPECT_EQ(GlowImage::canvas({0, 0, 10, 10}, {}, 16, std::numeric_limits<double>::quiet_NaN()),
              std::nullopt);
    EXPECT_EQ(GlowImage::canvas({0, 0, 1e12, 10}, {}, 16, 2), std::nullopt);
    EXPECT_EQ(GlowImage::renderRadius(16.2), 16);
    EXPECT_EQ(GlowImage::renderRadius(16.3), 16.5);
}

TEST(PulseScheduleTest, StepsAndLevels) {
    using Step = PulseSchedule::Step;
    EXPECT_EQ(PulseSchedule::steps(3),
              (std::vector<Step>{Step::up, Step::down, Step::up, Step::down, Step::up, Step::down}));
    EXPECT_EQ(PulseSchedule::steps(0), (std::vector<Step>{Step::up, Step::down}));
    EXPECT_EQ(PulseSchedule::steps(-4), (std::vector<Step>{Step::up, Step::down}));
    EXPECT_EQ(PulseSchedule::level(Step::up, 0.75), 1.0);
    EXPECT_EQ(PulseSchedule::level(Step::down, 0.75), 0.75);
}

TEST(InterpolationTest, MixAndUnit) {
    EXPECT_DOUBLE_EQ(mix(10, 20, 0.25), 12.5);
    EXPECT_DOUBLE_EQ(mix(10, 20, 1.5), 25);
    EXPECT_EQ(mix(Rect{0, 0, 10, 10}, Rect{10, 20, 30, 40}, 0.5), (Rect{5, 10, 20, 25}));
    EXPECT_EQ(unit(-0.5), 0);
    EXPECT_EQ(unit(1.5), 1);
    EXPECT_EQ(unit(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace brimly
