#include "app/x11/X11Pointer.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

using X11PointerTest = testing::XvfbTest;

TEST_F(X11PointerTest, EachDrainReportsOneMotionAtTheFinalPositionThenThePressesThereUntilTheServerGoes) {
    std::string why;
    auto pointer = X11Pointer::open(m_server.display(), &why);
    ASSERT_TRUE(pointer) << why;
    std::vector<Point> motions;
    std::vector<std::pair<int, Point>> buttons;
    pointer->setOnMotion([&](Point at) { motions.push_back(at); });
    pointer->setOnButton([&](int button, Point at) { buttons.emplace_back(button, at); });
    testing::XClient mouse(m_server.display());
    const auto at = [&] { return Point{double(mouse.pointer().root_x), double(mouse.pointer().root_y)}; };
    constexpr int relative = 1;

    mouse.fake(XCB_MOTION_NOTIFY, 0, 100, 100);
    ASSERT_EQ(pointer->position(), (Point{100, 100}));
    for (const int steps : {1, 2, 7}) {
        SCOPED_TRACE(steps);
        motions.clear();
        const Point before = at();
        // Small steps: the server accelerates larger ones.
        for (int i = 0; i < steps; ++i) mouse.fake(XCB_MOTION_NOTIFY, relative, 2, 1);
        const Point after = at();
        ASSERT_NE(after, before);
        // Asking the position before the drain must not hide the motions from the descriptor.
        EXPECT_EQ(pointer->position(), after);
        EXPECT_TRUE(testing::dispatchUntil(*pointer, [&] { return !motions.empty(); }));
        EXPECT_EQ(motions, std::vector<Point>{after});
    }

    mouse.fake(XCB_MOTION_NOTIFY, 0, 300, 40);
    for (const int button : {1, 3}) {
        mouse.fake(XCB_BUTTON_PRESS, button);
        mouse.fake(XCB_BUTTON_RELEASE, button);
    }
    EXPECT_TRUE(testing::dispatchUntil(*pointer, [&] { return buttons.size() == 2; }));
    EXPECT_EQ(buttons, (std::vector<std::pair<int, Point>>{{1, {300, 40}}, {3, {300, 40}}}));

    motions.clear();
    mouse.fake(XCB_MOTION_NOTIFY, relative, 1, 1);
    m_server.stop();
    pointer->dispatch();
    EXPECT_EQ(pointer->position(), std::nullopt);
    EXPECT_TRUE(motions.empty());
    EXPECT_EQ(buttons.size(), 2U);
}

}  // namespace
}  // namespace brimly
