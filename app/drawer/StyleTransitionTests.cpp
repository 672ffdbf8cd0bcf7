#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/drawer/StyleTransition.h"
#include "core/base/ManualQueue.h"

namespace brimly {
namespace {

struct Recorded {
    ManualQueue queue;
    std::vector<std::string> calls;
    StyleTransition transition{
        queue,
        DisplayStyleChoice::notch(),
        0.2,
        {.leave = [this] { calls.push_back("leave"); },
         .apply = [this](bool arrive) { calls.push_back(arrive ? "arrive" : "apply"); }}};
};

TEST(StyleTransitionTests, TheOldStyleLeavesBeforeTheLatestChoiceArrives) {
    Recorded r;
    const auto left = DisplayStyleChoice::pill(PillSide::left);
    const auto right = DisplayStyleChoice::pill(PillSide::right);
    r.transition.request(left, true, true);
    EXPECT_TRUE(r.transition.isLeaving());
    r.queue.advance(0.1);
    // A second choice during the leave waits for it and arrives in its place.
    r.transition.request(right, true, true);
    r.queue.advance(0.11);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"leave", "arrive"}));
    EXPECT_EQ(r.transition.applied(), right);
    EXPECT_FALSE(r.transition.isLeaving());
}

TEST(StyleTransitionTests, OpeningMidLeaveSettlesAtOnceAndTheLateLeaveEndIsIgnored) {
    Recorded r;
    const auto left = DisplayStyleChoice::pill(PillSide::left);
    r.transition.request(left, true, true);
    r.transition.settle();
    r.queue.advance(1);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"leave", "apply"}));
    EXPECT_EQ(r.transition.applied(), left);
    // Without animation (reduced motion) the new style applies at once.
    r.transition.request(DisplayStyleChoice::notch(), true, false);
    EXPECT_EQ(r.calls.back(), "apply");
    EXPECT_EQ(r.transition.applied(), DisplayStyleChoice::notch());
}

}  // namespace
}  // namespace brimly
