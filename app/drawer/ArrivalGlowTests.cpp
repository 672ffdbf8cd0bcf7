#include <gtest/gtest.h>

#include "app/drawer/ArrivalGlow.h"

namespace brimly {
namespace {

TEST(ArrivalGlowTest, APulseRisesFallsAndRestsWhileSomethingIsUnread) {
    ArrivalGlow::Settings settings{.pulses = 2, .motionScale = 2};
    ArrivalGlow glow;
    ASSERT_TRUE(glow.pulse(10, settings));
    // Up is 0.36 s and down 0.48 s, both doubled by the motion scale.
    struct Case {
        double at;
        double level;
    };
    // clang-format off
    const Case cases[] = {
        {10.0, 0.0},          // the pulse starts where the glow was
        {10.72, 1.0},         // the first up ends at full brightness
        {10.72 + 0.96, 0.75}, // the down ends at the balanced rest level
        {11.68 + 0.72, 1.0},  // the second pulse
    };
    // clang-format on
    for (const auto& c : cases) {
        glow.advance(c.at, settings, true);
        EXPECT_NEAR(glow.level(), c.level, 1e-6) << "at " << c.at;
    }
    glow.advance(11.68 + 0.72 + 0.5, settings, true);
    EXPECT_GT(glow.level(), 0.75) << "down eases, so halfway it is still above the rest";
    glow.advance(20, settings, true);
    EXPECT_FALSE(glow.isPulsing());
    EXPECT_DOUBLE_EQ(glow.level(), 0.75);
    glow.advance(21, settings, false);
    EXPECT_EQ(glow.level(), 0) << "nothing unread: the glow goes out";
}

TEST(ArrivalGlowTest, QuietModeAndTheCountSignalNeverGlow) {
    for (const auto& settings :
         {ArrivalGlow::Settings{.quiet = true}, ArrivalGlow::Settings{.signal = ArrivalSignal::count}}) {
        ArrivalGlow glow;
        EXPECT_FALSE(glow.pulse(0, settings));
        glow.advance(1, settings, true);
        EXPECT_EQ(glow.level(), 0);
        EXPECT_EQ(glow.pulses(), 0);
    }
}

TEST(ArrivalGlowTest, ReducedMotionLightsTheRestingGlowWithoutPulses) {
    const ArrivalGlow::Settings settings{.reduceMotion = true};
    ArrivalGlow glow;
    EXPECT_FALSE(glow.pulse(0, settings));
    glow.advance(1, settings, true);
    EXPECT_EQ(glow.level(), ArrivalGlow::restLevel(settings, true));
    EXPECT_GT(glow.level(), 0);
}

}  // namespace
}  // namespace brimly
