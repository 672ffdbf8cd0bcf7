#include <gtest/gtest.h>

#include "core/drawer/ScrollSettle.h"
#include "core/drawer/StripScroll.h"
#include "core/drawer/StripWindow.h"

namespace brimly {
namespace {

using Input = StripScroll::Input;
using Move = StripScroll::Move;

const StripScroll::Limits limits{500, 300, 0.55, 0.4};

// The rubber band itself is checked against hand-worked values below; here it is what the strip must use.
double band(double x) { return RubberBand::band(x, limits.dimension, limits.coefficient); }

StripScroll at(double offset) {
    StripScroll strip;
    strip.offset = offset;
    return strip;
}

TEST(ScrollSettleTest, CriticallyDampedSpring) {
    ScrollSettle settle{100, 400, 0, 10, 0.4};
    EXPECT_DOUBLE_EQ(settle.position(10), 100);
    EXPECT_DOUBLE_EQ(settle.position(5), 100);
    EXPECT_NEAR(settle.position(20), 400, 1e-9);
    // A quarter period in: 400 - 300 (1 + pi/2) e^(-pi/2).
    EXPECT_NEAR(settle.position(10.1), 239.675185, 1e-6);
    EXPECT_LT(settle.position(10.2), 400);
    EXPECT_FALSE(settle.isOver(10.59));
    EXPECT_TRUE(settle.isOver(10.61));
    EXPECT_DOUBLE_EQ((ScrollSettle{100, 400, 600, 0, 0.4}).unitVelocity(), 2);
    EXPECT_DOUBLE_EQ((ScrollSettle{100, 100, 600, 0, 0.4}).unitVelocity(), 0);
    // A spring without duration is already at rest instead of producing NaN.
    EXPECT_DOUBLE_EQ((ScrollSettle{100, 400, 0, 0, 0}).position(0), 400);
}

TEST(ScrollSettleTest, RubberBandApproachesTheDimension) {
    // 100 past an end shows (1 - 1 / (100 x 0.55 / 300 + 1)) x 300 = 46.478873 of it.
    EXPECT_NEAR(RubberBand::offset(-100, 500, 300, 0.55), -46.478873, 1e-6);
    EXPECT_NEAR(RubberBand::offset(600, 500, 300, 0.55), 546.478873, 1e-6);
    EXPECT_DOUBLE_EQ(RubberBand::offset(250, 500, 300, 0.55), 250);
    EXPECT_LT(RubberBand::band(1e9, 300, 0.55), 300);
    EXPECT_GT(RubberBand::band(1e9, 300, 0.55), 299);
    EXPECT_EQ(RubberBand::band(100, 0, 0.55), 0);
    EXPECT_EQ(RubberBand::band(-5, 300, 0.55), 0);
}

TEST(StripScrollTest, WheelStepsAndRevealsClamp) {
    StripScroll strip;
    EXPECT_EQ(strip.handle({Input::Line{100}}, 0, limits), Move::jump(100));
    EXPECT_EQ(strip.handle({Input::Line{-300}}, 0, limits), Move::jump(0));
    EXPECT_EQ(strip.handle({Input::Reveal{800}}, 0, limits), Move::glide(500));
    EXPECT_EQ(strip.offset, 500);
}

TEST(StripScrollTest, TouchRubberBandsAndLiftSettlesBack) {
    StripScroll strip;
    strip.handle({Input::Line{50}}, 0, limits);
    EXPECT_EQ(strip.handle({Input::Touch{-80}}, 1, limits), Move::jump(-band(30)));
    EXPECT_EQ(strip.handle({Input::Touch{-70}}, 1.01, limits), Move::jump(-band(100)));
    EXPECT_EQ(strip.raw, -100);
    auto move = strip.handle({Input::Lifted{}}, 1.02, limits);
    EXPECT_EQ(move, Move::settleTo({-band(100), 0, 0, 1.02, 0.4}));
    EXPECT_EQ(strip.offset, 0);
    EXPECT_TRUE(strip.momentumSpent);
    EXPECT_EQ(strip.raw, std::nullopt);
    EXPECT_DOUBLE_EQ(strip.shown(1.02), -band(100));
    EXPECT_EQ(strip.shown(5), 0);
    // Momentum after the bounce is ignored until the phase ends.
    EXPECT_EQ(strip.handle({Input::Momentum{20, 1.03}}, 3, limits), Move::none());
    EXPECT_EQ(strip.handle({Input::MomentumEnded{}}, 3, limits), Move::none());
    EXPECT_EQ(strip.handle({Input::Momentum{20, 3.1}}, 3.1, limits), Move::jump(20));

    // A touch during a settle back picks the strip up where it stands, without a jump.
    StripScroll caught;
    caught.handle({Input::Touch{-100}}, 0, limits);
    caught.handle({Input::Lifted{}}, 0, limits);
    double standing = caught.shown(0.05);
    ASSERT_LT(standing, 0);
    auto picked = caught.handle({Input::Touch{0}}, 0.05, limits);
    ASSERT_TRUE(std::holds_alternative<Move::Jump>(picked.value));
    EXPECT_NEAR(std::get<Move::Jump>(picked.value).offset, standing, 1e-9);
    EXPECT_EQ(caught.settle, std::nullopt);
    // The same after a drag past the end.
    StripScroll dragged;
    dragged.drag(700, limits);
    double dragShown = dragged.offset;
    picked = dragged.handle({Input::Touch{0}}, 1, limits);
    EXPECT_NEAR(std::get<Move::Jump>(picked.value).offset, dragShown, 1e-9);
    EXPECT_NEAR(*dragged.raw, 700, 1e-9);

    // Lifting inside the bounds does nothing.
    StripScroll inside;
    inside.handle({Input::Touch{40}}, 0, limits);
    EXPECT_EQ(inside.handle({Input::Lifted{}}, 0, limits), Move::none());
}

TEST(StripScrollTest, MomentumTimingAndOvershoot) {
    StripScroll strip = at(100);
    EXPECT_EQ(strip.handle({Input::Momentum{50, 1.0}}, 1.0, limits), Move::jump(150));
    EXPECT_EQ(strip.handle({Input::Momentum{50, 1.001}}, 1.001, limits), Move::jump(200));
    // The next event overshoots: 1 ms after the previous one counts as 1/240 s.
    EXPECT_EQ(strip.handle({Input::Momentum{400, 1.002}}, 1.002, limits),
              Move::settleTo({200, 500, 400 * 240.0, 1.002, 0.4}));
    EXPECT_EQ(strip.offset, 500);
    EXPECT_EQ(strip.handle({Input::Momentum{10, 1.01}}, 1.01, limits), Move::none());

    // The first event of a phase counts as 1/60 s.
    StripScroll first = at(480);
    EXPECT_EQ(first.handle({Input::Momentum{50, 7}}, 7, limits), Move::settleTo({480, 500, 3000, 7, 0.4}));

    // Overshooting from the very end: nothing to settle.
    StripScroll atEnd = at(500);
    EXPECT_EQ(atEnd.handle({Input::Momentum{50, 7}}, 7, limits), Move::none());
    EXPECT_TRUE(atEnd.momentumSpent);

    // Momentum while a settle runs is ignored, but still times the phase.
    StripScroll settling;
    settling.release(300, 0, 0, limits);
    EXPECT_EQ(settling.handle({Input::Momentum{10, 0.1}}, 0.1, limits), Move::none());
    EXPECT_EQ(settling.lastMomentum, 0.1);
}

TEST(StripScrollTest, PressReleaseDragAndRefit) {
    StripScroll strip;
    EXPECT_EQ(strip.release(700, 100, 2, limits), Move::settleTo({0, 500, 100, 2, 0.4}));
    double standing = strip.shown(2.05);
    EXPECT_EQ(strip.handle({Input::Press{}}, 2.05, limits), Move::none());
    EXPECT_DOUBLE_EQ(strip.offset, standing);
    EXPECT_EQ(strip.settle, std::nullopt);
    EXPECT_EQ(strip.release(standing, 0, 3, limits), Move::none());

    EXPECT_EQ(strip.drag(-50, limits), Move::jump(-band(50)));
    EXPECT_EQ(strip.handle({Input::Press{}}, 4, limits), Move::settleTo({-band(50), 0, 0, 4, 0.4}));

    StripScroll fitted = at(400);
    EXPECT_EQ(fitted.refit({300, 300, 0.55, 0.4}), Move::jump(300));
    EXPECT_EQ(fitted.refit({300, 300, 0.55, 0.4}), Move::none());
    // Content shorter than the view: the only resting place is the start.
    EXPECT_EQ(fitted.refit({-120, 300, 0.55, 0.4}), Move::jump(0));
    EXPECT_EQ(fitted.handle({Input::Line{30}}, 0, {-120, 300, 0.55, 0.4}), Move::jump(0));
}

TEST(StripWindowTest, NearDecksCoverTheVisibleRangeAndItsMargins) {
    using Deck = StripWindow::Deck;
    using Range = StripWindow::Range;
    const StripWindow::Metrics metrics{100, 140, 10};
    const std::vector<Deck> unmeasured = {
        {"a", 1, std::nullopt, false}, {"b", 3, std::nullopt, false}, {"c", 1, std::nullopt, false},
        {"d", 1, std::nullopt, false}, {"e", 2, std::nullopt, false}, {"f", 1, std::nullopt, false},
    };
    using Ids = std::set<std::string>;
    EXPECT_EQ(StripWindow::near(unmeasured, {0, 0}, std::nullopt, metrics), std::nullopt);
    EXPECT_EQ(StripWindow::near(unmeasured, {100, 50}, std::nullopt, metrics), std::nullopt);
    EXPECT_EQ(StripWindow::near({}, {0, 100}, std::nullopt, metrics), Ids{});
    // a [0,100] b [110,250] c [260,360] d [370,470] e [480,620] f [630,730]
    EXPECT_EQ(StripWindow::near(unmeasured, {0, 100}, std::nullopt, metrics), (Ids{"a", "b"}));
    EXPECT_EQ(StripWindow::near(unmeasured, {400, 450}, std::nullopt, metrics), (Ids{"c", "d", "e"}));
    EXPECT_EQ(StripWindow::near(unmeasured, {411, 461}, std::nullopt, metrics), (Ids{"d", "e"}));
    // A scroll in progress from further right covers its whole path.
    EXPECT_EQ(StripWindow::near(unmeasured, {0, 100}, Range{500, 600}, metrics),
              (Ids{"a", "b", "c", "d", "e", "f"}));

    // A folded deck's measured span no longer takes room: later spans move left.
    const std::vector<Deck> folded = {
        {"a", 1, Range{0, 100}, false}, {"b", 5, Range{110, 610}, true}, {"c", 1, Range{620, 720}, false}};
    EXPECT_EQ(StripWindow::near(folded, {0, 50}, std::nullopt, metrics), (Ids{"a"}));
    EXPECT_EQ(StripWindow::near(folded, {0, 70}, std::nullopt, metrics), (Ids{"a", "c"}));

    // A fanned-out deck may collapse to a pile and pull later decks left by the difference.
    const std::vector<Deck> fanned = {{"a", 3, Range{0, 400}, false}, {"b", 1, Range{1000, 1100}, false}};
    EXPECT_EQ(StripWindow::near(fanned, {700, 750}, std::nullopt, metrics), (Ids{"b"}));
    EXPECT_EQ(StripWindow::near({{"a", 1, Range{0, 400}, false}, {"b", 1, Range{1000, 1100}, false}},
                                {700, 750}, std::nullopt, metrics),
              Ids{});
}

}  // namespace
}  // namespace brimly
