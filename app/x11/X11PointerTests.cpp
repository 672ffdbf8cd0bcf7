#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <vector>

#include "app/x11/X11Pointer.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::uint8_t relative = 1;

// Another client moving and clicking the pointer through XTEST, as a mouse would.
class Mouse : public testing::XClient {
public:
    using XClient::XClient;
    void jumpTo(std::int16_t x, std::int16_t y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    // Small steps: the server accelerates larger ones.
    void nudge(std::int16_t dx, std::int16_t dy) { fake(XCB_MOTION_NOTIFY, relative, dx, dy); }
    void click(std::uint8_t button) {
        fake(XCB_BUTTON_PRESS, button, 0, 0);
        fake(XCB_BUTTON_RELEASE, button, 0, 0);
    }
    Point position() {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(xcb(), xcb_query_pointer(xcb(), root()), nullptr);
        const Point at{double(reply->root_x), double(reply->root_y)};
        std::free(reply);
        return at;
    }

private:
    void fake(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y) {
        xcb_test_fake_input(xcb(), type, detail, XCB_CURRENT_TIME, root(), x, y, 0);
        sync();
    }
};

// One wait for the descriptor and one drain, as the event loop does it.
void dispatchOnce(X11Pointer& pointer) {
    pollfd readable{pointer.fileDescriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&readable, 1, 20000), 1) << "nothing arrived";
    pointer.dispatch();
}

class X11PointerTest : public testing::XvfbTest {
protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::string why;
        m_pointer = X11Pointer::open(m_server.display(), &why);
        ASSERT_TRUE(m_pointer) << why;
        m_pointer->setOnMotion([this](Point at) { m_seen.motions.push_back(at); });
        m_pointer->setOnButton([this](int button, Point at) { m_seen.buttons.emplace_back(button, at); });
    }

    std::unique_ptr<X11Pointer> m_pointer;
    struct {
        std::vector<Point> motions;
        std::vector<std::pair<int, Point>> buttons;
    } m_seen;
};

TEST_F(X11PointerTest, EachDrainReportsOneMotionAtTheFinalPosition) {
    Mouse mouse(m_server.display());
    mouse.jumpTo(100, 100);
    ASSERT_EQ(m_pointer->position(), (Point{100, 100}));
    for (const int steps : {1, 2, 7}) {
        SCOPED_TRACE(steps);
        m_seen.motions.clear();
        const Point before = mouse.position();
        for (int i = 0; i < steps; ++i) mouse.nudge(2, 1);
        const Point after = mouse.position();
        ASSERT_NE(after, before);
        // Asking the position before the drain must not hide the motions from the descriptor.
        EXPECT_EQ(m_pointer->position(), after);
        dispatchOnce(*m_pointer);
        EXPECT_EQ(m_seen.motions, std::vector<Point>{after});
        EXPECT_TRUE(m_seen.buttons.empty());
    }
    mouse.jumpTo(10, 10);
    mouse.nudge(1, 1);
    dispatchOnce(*m_pointer);
    EXPECT_EQ(m_seen.motions.back(), (Point{11, 11}));
}

TEST_F(X11PointerTest, PressesReachTheHandlerWithTheirButtonAndPosition) {
    Mouse mouse(m_server.display());
    mouse.jumpTo(300, 40);
    mouse.click(1);
    mouse.click(3);
    while (m_seen.buttons.size() < 2 && !HasFatalFailure()) dispatchOnce(*m_pointer);
    const Point at{300, 40};
    EXPECT_EQ(m_seen.buttons, (std::vector<std::pair<int, Point>>{{1, at}, {3, at}}));
}

TEST_F(X11PointerTest, AGoneServerLeavesNoPositionAndNoCalls) {
    Mouse mouse(m_server.display());
    mouse.nudge(1, 1);
    m_server.stop();
    m_pointer->dispatch();
    EXPECT_EQ(m_pointer->position(), std::nullopt);
    EXPECT_TRUE(m_seen.buttons.empty());
}

}  // namespace
}  // namespace brimly
