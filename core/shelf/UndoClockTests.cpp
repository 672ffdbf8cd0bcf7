#include <gtest/gtest.h>

#include "core/shelf/PressGate.h"
#include "core/shelf/UndoClock.h"

namespace brimly {
namespace {

TEST(UndoClockTest, CountsOnlyRunningSpells) {
    UndoClock clock(4, 10, true);
    EXPECT_TRUE(clock.isPaused());
    EXPECT_DOUBLE_EQ(clock.remaining(10), 4);
    EXPECT_DOUBLE_EQ(clock.remaining(1000), 4);

    clock.setPaused(false, 20);
    EXPECT_DOUBLE_EQ(clock.remaining(21.5), 2.5);
    clock.setPaused(true, 22);
    EXPECT_DOUBLE_EQ(clock.used(), 2);
    EXPECT_DOUBLE_EQ(clock.remaining(100), 2);

    clock.setPaused(false, 200);
    EXPECT_DOUBLE_EQ(clock.remaining(201.5), 0.5);
    EXPECT_DOUBLE_EQ(clock.remaining(300), 0);
}

TEST(UndoClockTest, SettingTheCurrentStateChangesNothing) {
    UndoClock running(4, 10, false);
    running.setPaused(false, 12);
    EXPECT_EQ(running.runningSince(), 10.0);
    EXPECT_DOUBLE_EQ(running.remaining(13), 1);

    UndoClock paused(4, 10, true);
    paused.setPaused(false, 11);
    paused.setPaused(true, 12);
    paused.setPaused(true, 50);
    EXPECT_DOUBLE_EQ(paused.used(), 1);
    EXPECT_DOUBLE_EQ(paused.remaining(60), 3);
}

TEST(PressGateTest, DragBlocksTapsUntilTheNextPress) {
    PressGate gate;
    EXPECT_TRUE(gate.allowsTap());
    gate.pressBegan();
    gate.dragged();
    EXPECT_FALSE(gate.allowsTap());
    gate.pressBegan();
    EXPECT_TRUE(gate.allowsTap());
}

}  // namespace
}  // namespace brimly
