#include <gtest/gtest.h>

#include "app/shelf/TipCentre.h"
#include "core/base/ManualQueue.h"

namespace brimly {
namespace {

TEST(TipCentreTest, FirstTipWaitsNeighboursFollowQuicklyAndAClickedTipStaysAwayUntilLeft) {
    const ShelfTip a{.title = "Filter"};
    const ShelfTip b{.title = "Brimly menu"};
    enum class Do { moveTo, click, wait };
    struct Step {
        Do action;
        std::optional<ShelfTip> anchor;
        double seconds;
        std::optional<ShelfTip> shown;
    };
    // clang-format off
    const Step script[] = {
        {Do::moveTo, a,            0.49, std::nullopt},  // a first tip needs half a second
        {Do::moveTo, a,            0.02, a},             // moving inside the anchor does not start over
        {Do::moveTo, b,            0.23, std::nullopt},  // the neighbour follows after 0.24 s
        {Do::wait,   std::nullopt, 0.02, b},
        {Do::click,  b,            1.0,  std::nullopt},  // clicked: gone while the pointer stays
        {Do::moveTo, std::nullopt, 1.0,  std::nullopt},  // left; the quick spell is over
        {Do::moveTo, b,            0.3,  std::nullopt},  // so half a second again
        {Do::wait,   std::nullopt, 0.21, b},
    };
    // clang-format on
    ManualQueue queue;
    int changes = 0;
    TipCentre tips(queue, 1, [&] { ++changes; });
    int line = 0;
    for (const auto& step : script) {
        ++line;
        if (step.action == Do::moveTo) tips.pointerMoved(step.anchor);
        if (step.action == Do::click) tips.clicked(step.anchor);
        queue.advance(step.seconds);
        EXPECT_EQ(tips.shown(), step.shown) << "step " << line;
    }
    EXPECT_EQ(changes, 5) << "a, none, b, none, b";
    tips.hide();
    EXPECT_FALSE(tips.shown());
}

}  // namespace
}  // namespace brimly
