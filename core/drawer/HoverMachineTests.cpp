#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <utility>

#include "core/base/Overloaded.h"
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

TEST(HoverMachineTest, DwellOpensOnlyOnceTheStoredDwellHasPassed) {
    HoverMachine machine(grace);
    EXPECT_EQ(machine.pointer({.now = 1.0}), Action::none());
    EXPECT_EQ(machine.phase(), Phase{});
    EXPECT_EQ(machine.pointer({.now = 1.0, .hot = a, .dwell = 0.12}), Action::none());
    EXPECT_EQ(machine.phase(), (Phase{Phase::Dwelling{a, 1.0, 0.12}}));
    EXPECT_EQ(machine.deadline(), 1.12);
    // A new dwell argument does not move the stored one.
    EXPECT_EQ(machine.pointer({.now = 1.05, .hot = a, .dwell = 5.0}), Action::none());
    EXPECT_EQ(machine.pointer({.now = 1.1, .hot = a, .dwell = 5.0}), Action::none());
    // Half a microsecond early is within tolerance.
    EXPECT_EQ(machine.pointer({.now = 1.0 + 0.12 - 0.0000005, .hot = a, .dwell = 5.0}), Action::open(a));
    EXPECT_EQ(machine.phase(), (Phase{Phase::Open{a, Reason::hover, true, std::nullopt}}));
    EXPECT_EQ(machine.openTarget(), a);
    EXPECT_EQ(machine.deadline(), std::nullopt);

    HoverMachine early(grace);
    early.pointer({.now = 1.0, .hot = a, .dwell = 0.12});
    EXPECT_EQ(early.pointer({.now = 1.0 + 0.12 - 0.000002, .hot = a, .dwell = 0.12}), Action::none());
}

TEST(HoverMachineTest, DwellRestartsOnAnotherDisplayAndEndsOffZone) {
    HoverMachine machine(grace);
    machine.pointer({.now = 1.0, .hot = a, .dwell = 0.12});
    EXPECT_EQ(machine.pointer({.now = 1.1, .hot = b, .dwell = 0.35}), Action::none());
    EXPECT_EQ(machine.phase(), (Phase{Phase::Dwelling{b, 1.1, 0.35}}));
    EXPECT_EQ(machine.pointer({.now = 1.3, .hot = b, .dwell = 0.35}), Action::none());
    EXPECT_EQ(machine.pointer({.now = 1.45, .hot = b, .dwell = 0.35}), Action::open(b));

    HoverMachine away(grace);
    away.pointer({.now = 1.0, .hot = a, .dwell = 0.12});
    EXPECT_EQ(away.pointer({.now = 1.05}), Action::none());
    EXPECT_EQ(away.phase(), Phase{});
}

TEST(HoverMachineTest, ZeroOrBrokenDwellOpensAtOnce) {
    for (double dwell : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        HoverMachine machine(grace);
        EXPECT_EQ(machine.pointer({.now = 2.0, .hot = a, .dwell = dwell}), Action::open(a)) << dwell;
        EXPECT_EQ(machine.phase(), (Phase{Phase::Open{a, Reason::hover, true, std::nullopt}}));
    }
}

TEST(HoverMachineTest, OpenDrawerClosesAfterGraceWithOrWithoutAnimation) {
    for (double closeDuration : {0.0, 0.32}) {
        SCOPED_TRACE(closeDuration);
        HoverMachine machine = withPhase({a, Reason::hover});
        EXPECT_EQ(machine.pointer({.now = 1.0, .insideOpen = true, .closeDuration = closeDuration}),
                  Action::none());
        EXPECT_EQ(machine.pointer({.now = 2.0, .closeDuration = closeDuration}), Action::none());
        EXPECT_EQ(machine.phase(), (Phase{Phase::Open{a, Reason::hover, true, 2.0}}));
        EXPECT_EQ(machine.deadline(), 2.2);
        EXPECT_EQ(machine.pointer({.now = 2.1, .hot = b, .closeDuration = closeDuration}), Action::none());
        // Back on its own hot zone: outsideSince clears.
        EXPECT_EQ(machine.pointer({.now = 2.15, .hot = a, .closeDuration = closeDuration}), Action::none());
        EXPECT_EQ(machine.deadline(), std::nullopt);
        machine.pointer({.now = 3.0, .closeDuration = closeDuration});
        EXPECT_EQ(machine.pointer({.now = 3.0 + grace - 0.0000005, .closeDuration = closeDuration}),
                  Action::close());
        if (closeDuration > 0) {
            EXPECT_EQ(machine.phase(), (Phase{Phase::Closing{a, 3.0 + grace - 0.0000005 + closeDuration}}));
            EXPECT_EQ(machine.deadline(), std::nullopt);
            auto closing = machine.closing(3.3);
            ASSERT_TRUE(closing.has_value());
            EXPECT_EQ(closing->target, a);
            EXPECT_NEAR(closing->remaining, 0.2199995, 1e-9);
            EXPECT_EQ(machine.closing(3.6), std::nullopt);
            EXPECT_EQ(machine.openTarget(), std::nullopt);
        } else {
            EXPECT_EQ(machine.phase(), Phase{});
        }
    }
}

TEST(HoverMachineTest, HotKeyAndClickDrawersWaitForThePointerToEnterOnce) {
    for (Reason reason : {Reason::hotkey, Reason::click}) {
        HoverMachine machine = withPhase({a, reason});
        EXPECT_EQ(machine.phase(), (Phase{Phase::Open{a, reason, false, std::nullopt}}));
        EXPECT_EQ(machine.pointer({.now = 1.0, .closeDuration = 0.32}), Action::none());
        EXPECT_EQ(machine.pointer({.now = 50.0, .closeDuration = 0.32}), Action::none());
        EXPECT_EQ(machine.deadline(), std::nullopt);
        EXPECT_EQ(machine.pointer({.now = 51.0, .insideOpen = true, .closeDuration = 0.32}), Action::none());
        EXPECT_EQ(machine.pointer({.now = 51.5, .closeDuration = 0.32}), Action::none());
        EXPECT_EQ(machine.pointer({.now = 51.7, .closeDuration = 0.32}), Action::close());
    }
}

TEST(HoverMachineTest, ClosingDrawerIsCaughtOrHandedToAnotherDisplay) {
    struct Case {
        const char* name;
        HoverMachine::Sample sample;
        Action action;
        Phase phase;
    };
    const Phase reopened{Phase::Open{a, Reason::hover, true, std::nullopt}};
    // clang-format off
    const Case cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HoverMachine machine = withPhase({a, Reason::hover});
        machine.pointer({.now = 1.0, .closeDuration = 0.32});
        machine.pointer({.now = 1.2, .closeDuration = 0.32});
        ASSERT_EQ(machine.phase(), (Phase{Phase::Closing{a, 1.52}}));
        EXPECT_EQ(machine.pointer(c.sample), c.action);
        EXPECT_EQ(machine.phase(), c.phase);
    }
}

TEST(HoverMachineTest, HotKeyClickAndClickOutside) {
    struct Case {
        const char* name;
        Phase start;
        Action hotkey;
        Phase afterHotkey;
        Action click;
        Phase afterClick;
        Action outside;
    };
    const Phase openA{Phase::Open{a, Reason::hover, true, std::nullopt}};
    const Phase hotkeyB{Phase::Open{b, Reason::hotkey, false, std::nullopt}};
    const Phase clickB{Phase::Open{b, Reason::click, false, std::nullopt}};
    const Action none = Action::none();
    // clang-format off
    const Case cases[] = {
        {"closed", Phase{}, Action::open(b), hotkeyB, Action::open(b), clickB, none},
        {"dwelling", Phase{Phase::Dwelling{a, 0, 1}}, Action::open(b), hotkeyB, Action::open(b), clickB, none},
        {"closing", Phase{Phase::Closing{a, 9}}, Action::open(b), hotkeyB, Action::open(b), clickB, none},
        // The hot key closes a drawer open elsewhere; a click moves it.
        {"open on a", openA, Action::close(), Phase{}, Action::open(b), clickB, Action::close()},
        {"open on b", Phase{Phase::Open{b, Reason::hover, true, 3.0}}, Action::close(), Phase{}, none, Phase{Phase::Open{b, Reason::hover, true, 3.0}}, Action::close()},
    };
    // clang-format on
    auto reach = [](const Phase& phase) {
        HoverMachine machine(grace);
        std::visit(Overloaded{
                       [](const Phase::Closed&) {},
                       [&](const Phase::Dwelling& d) {
                           machine.pointer({.now = d.since, .hot = d.target, .dwell = d.dwell});
                       },
                       [&](const Phase::Open& o) {
                           machine.pointer({.now = 0, .hot = o.target});
                           if (o.outsideSince) machine.pointer({.now = *o.outsideSince});
                       },
                       [&](const Phase::Closing& c) {
                           machine.pointer({.now = 0, .hot = c.target});
                           machine.pointer({.now = c.until - 1.2, .closeDuration = 1});
                           machine.pointer({.now = c.until - 1.0, .closeDuration = 1});
                       },
                   },
                   phase.value);
        EXPECT_EQ(machine.phase(), phase);
        return machine;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto machine = reach(c.start);
        EXPECT_EQ(machine.hotkey(b), c.hotkey);
        EXPECT_EQ(machine.phase(), c.afterHotkey);
        machine = reach(c.start);
        EXPECT_EQ(machine.click(b), c.click);
        EXPECT_EQ(machine.phase(), c.afterClick);
        machine = reach(c.start);
        EXPECT_EQ(machine.clickOutside(), c.outside);
        if (c.outside == Action::close()) {
            EXPECT_EQ(machine.phase(), Phase{});
        } else {
            EXPECT_EQ(machine.phase(), c.start);
        }
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
