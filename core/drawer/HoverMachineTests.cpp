#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "core/drawer/DrawerLife.h"
#include "core/drawer/HoverFreeze.h"
#include "core/drawer/HoverInputs.h"
#include "core/drawer/HoverMachine.h"

namespace brimly {
namespace {

using Phase = HoverMachine::Phase;
using Action = HoverMachine::Action;
using Reason = HoverMachine::Reason;

constexpr DisplayID a = 1;
constexpr DisplayID b = 2;
constexpr double grace = 0.2;

HoverMachine withPhase(Phase::Open open) {
    HoverMachine machine(grace);
    if (open.reason == Reason::hotkey) {
        machine.hotkey(open.target);
    } else if (open.reason == Reason::click) {
        machine.click(open.target);
    } else {
        machine.pointer({.now = 0, .hot = open.target});
    }
    return machine;
}

Phase dwelling(DisplayID target, double since, double dwell) {
    return {Phase::Dwelling{target, since, dwell}};
}
Phase opened(DisplayID target, Reason reason = Reason::hover, bool entered = true,
             std::optional<double> outsideSince = std::nullopt) {
    return {Phase::Open{target, reason, entered, outsideSince}};
}

TEST(HoverMachineTest, PointerScenarios) {
    // After each sample: the action, the phase and the deadline the timer must be armed for.
    using Step = std::tuple<HoverMachine::Sample, Action, Phase, std::optional<double>>;
    const Action none = Action::none();
    const double early = 0.0000005;  // within the tolerance
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    // name, what opened the drawer on a (closed when absent), steps
    const std::tuple<const char*, std::optional<Reason>, std::vector<Step>> scenarios[] = {
        {"the stored dwell counts, not a later argument", std::nullopt, {
            {{.now = 1.0}, none, Phase{}, std::nullopt},
            {{.now = 1.0, .hot = a, .dwell = 0.12}, none, dwelling(a, 1.0, 0.12), 1.0 + 0.12},
            {{.now = 1.12 - 0.000002, .hot = a, .dwell = 5.0}, none, dwelling(a, 1.0, 0.12), 1.0 + 0.12},
            {{.now = 1.12 - early, .hot = a, .dwell = 5.0}, Action::open(a), opened(a), std::nullopt}}},
        {"another display restarts the dwell with its own", std::nullopt, {
            {{.now = 1.0, .hot = a, .dwell = 0.12}, none, dwelling(a, 1.0, 0.12), 1.0 + 0.12},
            {{.now = 1.1, .hot = b, .dwell = 0.35}, none, dwelling(b, 1.1, 0.35), 1.1 + 0.35},
            {{.now = 1.3, .hot = b, .dwell = 0.35}, none, dwelling(b, 1.1, 0.35), 1.1 + 0.35},
            {{.now = 1.45, .hot = b, .dwell = 0.35}, Action::open(b), opened(b), std::nullopt}}},
        {"leaving the hot zone ends the dwell", std::nullopt, {
            {{.now = 1.0, .hot = a, .dwell = 0.12}, none, dwelling(a, 1.0, 0.12), 1.0 + 0.12},
            {{.now = 1.05}, none, Phase{}, std::nullopt}}},
        {"zero dwell", std::nullopt, {{{.now = 2.0, .hot = a, .dwell = 0}, Action::open(a), opened(a), std::nullopt}}},
        {"negative dwell", std::nullopt, {{{.now = 2.0, .hot = a, .dwell = -1}, Action::open(a), opened(a), std::nullopt}}},
        {"NaN dwell", std::nullopt, {{{.now = 2.0, .hot = a, .dwell = nan}, Action::open(a), opened(a), std::nullopt}}},
        // Another display's hot zone is outside; the drawer's own clears outsideSince.
        {"grace, no animation", Reason::hover, {
            {{.now = 1.0, .insideOpen = true}, none, opened(a), std::nullopt},
            {{.now = 2.0}, none, opened(a, Reason::hover, true, 2.0), 2.0 + grace},
            {{.now = 2.1, .hot = b}, none, opened(a, Reason::hover, true, 2.0), 2.0 + grace},
            {{.now = 2.15, .hot = a}, none, opened(a), std::nullopt},
            {{.now = 3.0}, none, opened(a, Reason::hover, true, 3.0), 3.0 + grace},
            {{.now = 3.2 - early}, Action::close(), Phase{}, std::nullopt}}},
        {"grace, then the close animation", Reason::hover, {
            {{.now = 2.0, .closeDuration = 0.32}, none, opened(a, Reason::hover, true, 2.0), 2.0 + grace},
            {{.now = 2.2 - early, .closeDuration = 0.32}, Action::close(), Phase{Phase::Closing{a, 2.2 - early + 0.32}}, std::nullopt}}},
        // Hot-key and click drawers stay open until the pointer has been inside once.
        {"hot key", Reason::hotkey, {
            {{.now = 50.0, .closeDuration = 0.32}, none, opened(a, Reason::hotkey, false), std::nullopt},
            {{.now = 51.0, .insideOpen = true, .closeDuration = 0.32}, none, opened(a, Reason::hotkey), std::nullopt},
            {{.now = 51.5, .closeDuration = 0.32}, none, opened(a, Reason::hotkey, true, 51.5), 51.5 + grace},
            {{.now = 51.7, .closeDuration = 0.32}, Action::close(), Phase{Phase::Closing{a, 51.7 + 0.32}}, std::nullopt}}},
        {"click", Reason::click, {
            {{.now = 50.0}, none, opened(a, Reason::click, false), std::nullopt},
            {{.now = 51.0, .insideOpen = true}, none, opened(a, Reason::click), std::nullopt},
            {{.now = 51.5}, none, opened(a, Reason::click, true, 51.5), 51.5 + grace},
            {{.now = 51.7}, Action::close(), Phase{}, std::nullopt}}},
    };
    // clang-format on
    for (const auto& [name, openedBy, steps] : scenarios) {
        HoverMachine machine = openedBy ? withPhase({a, *openedBy}) : HoverMachine(grace);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(testing::Message() << name << ", step " << i);
            const auto& [sample, action, phase, deadline] = steps[i];
            EXPECT_EQ(machine.pointer(sample), action);
            EXPECT_EQ(machine.phase(), phase);
            EXPECT_EQ(machine.deadline(), deadline);
        }
    }
}

TEST(HoverMachineTest, ClosingDrawerIsCaughtOrHandedToAnotherDisplay) {
    const Phase reopened{Phase::Open{a, Reason::hover, true, std::nullopt}};
    // clang-format off
    const std::tuple<const char*, HoverMachine::Sample, Action, Phase> cases[] = {
        {"still closing", {.now = 1.3}, Action::none(), Phase{Phase::Closing{a, 1.52}}},
        {"caught inside", {.now = 1.4, .insideOpen = true}, Action::open(a), reopened},
        {"caught on its hot zone", {.now = 1.4, .hot = a, .dwell = 0.12}, Action::open(a), reopened},
        // After the animation ended the same sample starts a new dwell instead.
        {"ended, on its hot zone", {.now = 1.6, .hot = a, .dwell = 0.12, .insideOpen = true}, Action::none(), Phase{Phase::Dwelling{a, 1.6, 0.12}}},
        {"ended, away", {.now = 1.6}, Action::none(), Phase{}},
        // Another display's hot zone ends the close at once: it dwells there, or opens with a zero dwell.
        {"other display", {.now = 1.3, .hot = b, .dwell = 0.35}, Action::none(), Phase{Phase::Dwelling{b, 1.3, 0.35}}},
        {"other display, no dwell", {.now = 1.3, .hot = b}, Action::open(b), Phase{Phase::Open{b, Reason::hover, true, std::nullopt}}},
    };
    // clang-format on
    for (const auto& [name, sample, action, phase] : cases) {
        SCOPED_TRACE(name);
        HoverMachine machine = withPhase({a, Reason::hover});
        EXPECT_EQ(machine.openTarget(), a);
        machine.pointer({.now = 1.0, .closeDuration = 0.32});
        machine.pointer({.now = 1.2, .closeDuration = 0.32});
        ASSERT_EQ(machine.phase(), (Phase{Phase::Closing{a, 1.52}}));
        EXPECT_EQ(machine.openTarget(), std::nullopt);
        EXPECT_EQ(machine.closing(1.6), std::nullopt);
        ASSERT_TRUE(machine.closing(1.3));
        EXPECT_EQ(machine.closing(1.3)->target, a);
        EXPECT_NEAR(machine.closing(1.3)->remaining, 0.22, 1e-9);
        EXPECT_EQ(machine.pointer(sample), action);
        EXPECT_EQ(machine.phase(), phase);
    }
}

TEST(HoverMachineTest, HotKeyClickAndClickOutside) {
    using Samples = std::vector<HoverMachine::Sample>;
    const Phase hotkeyB = opened(b, Reason::hotkey, false);
    const Phase clickB = opened(b, Reason::click, false);
    const Action none = Action::none();
    // clang-format off
    // name, the samples that lead to the start phase, start phase, hot key on b and the phase after it,
    // click on b and the phase after it, click outside
    const std::tuple<const char*, Samples, Phase, Action, Phase, Action, Phase, Action> cases[] = {
        {"closed", {}, Phase{}, Action::open(b), hotkeyB, Action::open(b), clickB, none},
        {"dwelling", {{.now = 0, .hot = a, .dwell = 1}}, dwelling(a, 0, 1), Action::open(b), hotkeyB, Action::open(b), clickB, none},
        {"closing", {{.now = 0, .hot = a}, {.now = 7.8, .closeDuration = 1}, {.now = 8, .closeDuration = 1}}, Phase{Phase::Closing{a, 9}}, Action::open(b), hotkeyB, Action::open(b), clickB, none},
        // The hot key closes a drawer open elsewhere; a click moves it.
        {"open on a", {{.now = 0, .hot = a}}, opened(a), Action::close(), Phase{}, Action::open(b), clickB, Action::close()},
        {"open on b", {{.now = 0, .hot = b}, {.now = 3}}, opened(b, Reason::hover, true, 3.0), Action::close(), Phase{}, none, opened(b, Reason::hover, true, 3.0), Action::close()},
    };
    // clang-format on
    for (const auto& [name, samples, start, hotkey, afterHotkey, click, afterClick, outside] : cases) {
        SCOPED_TRACE(name);
        auto reach = [&] {
            HoverMachine machine(grace);
            for (const auto& sample : samples) machine.pointer(sample);
            EXPECT_EQ(machine.phase(), start);
            return machine;
        };
        auto machine = reach();
        EXPECT_EQ(machine.hotkey(b), hotkey);
        EXPECT_EQ(machine.phase(), afterHotkey);
        machine = reach();
        EXPECT_EQ(machine.click(b), click);
        EXPECT_EQ(machine.phase(), afterClick);
        machine = reach();
        EXPECT_EQ(machine.clickOutside(), outside);
        EXPECT_EQ(machine.phase(), outside == none ? start : Phase{});
        machine.reset();
        EXPECT_EQ(machine, HoverMachine(grace));
    }
}

TEST(HoverInputsTest, DwellCloseDurationAndFeeding) {
    const std::tuple<DisplayStyle, int, double> dwells[] = {
        {DisplayStyle::notch(), 120, 0.12},
        {DisplayStyle::hoverNotch(), 60, 0.2},
        {DisplayStyle::hoverNotch(), 300, 0.38},
        {DisplayStyle::pill(PillSide::left), 120, 0.35},
        {DisplayStyle::pill(PillSide::right), 600, 0.75},
    };
    for (const auto& [style, ms, seconds] : dwells)
        EXPECT_DOUBLE_EQ(HoverInputs::dwell(style, ms), seconds) << ms;

    using Close = HoverInputs::CloseContext;
    const auto pill = DisplayStyle::pill(PillSide::bottom);
    // clang-format off
    const std::pair<Close, double> closes[] = {
        {{.drawerOpen = true, .openStyle = DisplayStyle::notch()}, 0},
        {{.hoverOpening = true, .openStyle = DisplayStyle::notch()}, 0},
        {{.hoverOpening = true, .drawerOpen = true, .openStyle = DisplayStyle::notch(), .motionScale = 2}, 0.64},
        {{.hoverOpening = true, .drawerOpen = true}, 0.32},
        {{.hoverOpening = true, .drawerOpen = true, .openStyle = DisplayStyle::hoverNotch()}, 0.45},
        {{.hoverOpening = true, .drawerOpen = true, .openStyle = pill}, 0.45},
        {{.hoverOpening = true, .drawerOpen = true, .openStyle = pill, .reduceMotion = true}, 0.2},
    };
    // clang-format on
    for (const auto& [context, seconds] : closes)
        EXPECT_DOUBLE_EQ(HoverInputs::closeDuration(context), seconds);

    EXPECT_FALSE(HoverInputs::hoverOpening(true, true));
    EXPECT_TRUE(HoverInputs::hoverOpening(true, false));
    EXPECT_FALSE(HoverInputs::feedsMachine({.hotPresent = true}));
    EXPECT_TRUE(HoverInputs::feedsMachine({.hotPresent = true, .drawerOpen = true}));
    EXPECT_TRUE(HoverInputs::feedsMachine({}));
    EXPECT_DOUBLE_EQ(HoverInputs::timerDelay(5.0, 5.5), 0.001);
    EXPECT_DOUBLE_EQ(HoverInputs::timerDelay(5.5, 5.0), 0.501);
}

TEST(HoverInputsTest, HotDisplayIsTheFirstZoneHoldingThePointer) {
    Rect left{0, 0, 1440, 900};
    Rect right{1440, 0, 1920, 1080};
    std::map<DisplayID, DisplayLayout> layouts;
    layouts.emplace(a, DisplayLayout(DisplayStyle::hoverNotch(), left, std::nullopt, std::nullopt));
    layouts.emplace(b, DisplayLayout(DisplayStyle::hoverNotch(), right, std::nullopt, std::nullopt));
    Point onA{720, 895};
    Point onB{2400, 1075};
    EXPECT_EQ(HoverInputs::hot(onA, layouts, {}, {}, false), a);
    EXPECT_EQ(HoverInputs::hot(onB, layouts, {}, {}, false), b);
    EXPECT_EQ(HoverInputs::hot({720, 500}, layouts, {}, {}, false), std::nullopt);
    EXPECT_EQ(HoverInputs::hot(onA, layouts, {}, {a}, false), std::nullopt);
    EXPECT_EQ(HoverInputs::hot(onA, layouts, {}, {}, true), std::nullopt);
    // The counter right of the notch widens the zone.
    Point pastNotch{720 + 100 + 24 + 10, 895};
    EXPECT_EQ(HoverInputs::hot(pastNotch, layouts, {}, {}, false), std::nullopt);
    EXPECT_EQ(HoverInputs::hot(pastNotch, layouts, {{a, 24.0}}, {}, false), a);
}

TEST(HoverFreezeTest, FirstScrollPositionHoldsUntilThePointerMoves) {
    HoverFreeze freeze;
    freeze.moved({1, 1});
    EXPECT_FALSE(freeze.isFrozen());
    freeze.scrolled({10, 20});
    freeze.scrolled({30, 40});
    EXPECT_EQ(freeze.frozenAt, (Point{10, 20}));
    freeze.moved({10, 20});
    EXPECT_TRUE(freeze.isFrozen());
    freeze.moved({10, 20.5});
    EXPECT_FALSE(freeze.isFrozen());
    freeze.scrolled({1, 2});
    freeze.reset();
    EXPECT_FALSE(freeze.isFrozen());
}

TEST(DrawerLifeTest, WarmViewsCoolAfterKeepUnlessBusy) {
    using Check = DrawerLife::Check;
    DrawerLife life(30);
    EXPECT_FALSE(life.built());
    EXPECT_EQ(life.check(0, false), Check::idle());
    life.closed(1);
    EXPECT_EQ(life.coolAt(), std::nullopt);

    EXPECT_TRUE(life.warm(10, true, a));
    EXPECT_FALSE(life.warm(11, true, a));
    EXPECT_EQ(life.coolAt(), std::nullopt);
    EXPECT_EQ(life.check(12, false), Check::idle());
    life.closed(20);
    EXPECT_EQ(life.check(30, false), Check::wait(50));
    // Pointer samples while closed push the moment on.
    EXPECT_TRUE(life.warm(40, false, b));
    EXPECT_EQ(life.coolAt(), 70);
    // Busy at the cool moment postpones by a full keep, not the remaining time.
    EXPECT_EQ(life.check(75, true), Check::wait(105));
    EXPECT_EQ(life.check(104, false), Check::wait(105));
    EXPECT_EQ(life.check(105, false), Check::cool());
    EXPECT_FALSE(life.built());
    EXPECT_EQ(life.coolAt(), std::nullopt);
    EXPECT_EQ(life.check(200, false), Check::idle());
}

}  // namespace
}  // namespace brimly
