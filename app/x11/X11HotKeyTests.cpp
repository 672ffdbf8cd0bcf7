#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <vector>

#include "app/x11/KeyMapping.h"
#include "app/x11/X11HotKey.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr std::chrono::milliseconds deliveryGuard{10000};
constexpr int mod2Row = 4;
constexpr int mod3Row = 5;

// A second client on the test server: it types through XTEST, reads the modifier state and holds grabs of
// its own, as another application would.
class OtherClient {
public:
    explicit OtherClient(const std::string& display)
        : m_xcb(xcb_connect(display.c_str(), nullptr)), m_symbols(xcb_key_symbols_alloc(m_xcb)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_xcb)).data->root;
    }
    ~OtherClient() {
        // A round trip first: the server may drop requests still unread when a client disconnects, and a
        // lost key release would leave a modifier held for the next case.
        std::free(xcb_get_input_focus_reply(m_xcb, xcb_get_input_focus(m_xcb), nullptr));
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_xcb);
    }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        return first;
    }
    void press(xcb_keysym_t keysym) { fake(XCB_KEY_PRESS, keysym); }
    void release(xcb_keysym_t keysym) { fake(XCB_KEY_RELEASE, keysym); }
    // Presses the keys in order and releases them in reverse, as fingers do.
    void type(std::initializer_list<xcb_keysym_t> chord) {
        for (const auto keysym : chord) press(keysym);
        for (auto it = std::rbegin(chord); it != std::rend(chord); ++it) release(*it);
    }
    // Faked keys reach the keyboard's state a little after the request, so the state is asked until it
    // matches or the guard runs out.
    std::uint16_t modifierState() {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(m_xcb, xcb_query_pointer(m_xcb, m_root), nullptr);
        std::uint16_t mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }
    bool waitForModifierState(std::uint16_t expected) {
        const auto deadline = std::chrono::steady_clock::now() + deliveryGuard;
        std::uint16_t mask = 0;
        do {
            xcb_query_pointer_reply_t* reply =
                xcb_query_pointer_reply(m_xcb, xcb_query_pointer(m_xcb, m_root), nullptr);
            mask = reply ? reply->mask : 0;
            std::free(reply);
        } while (mask != expected && std::chrono::steady_clock::now() < deadline);
        return mask == expected;
    }
    bool grab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        xcb_generic_error_t* error =
            xcb_request_check(m_xcb, xcb_grab_key_checked(m_xcb, 1, m_root, modifiers, keycode(keysym),
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }
    void ungrab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        xcb_ungrab_key(m_xcb, keycode(keysym), m_root, modifiers);
        xcb_flush(m_xcb);
    }
    // Moves the NumLock key to the modifier row `row` (Shift is 0, Mod1 3); false when the server refuses.
    bool moveNumLockTo(int row) {
        xcb_get_modifier_mapping_reply_t* mapping =
            xcb_get_modifier_mapping_reply(m_xcb, xcb_get_modifier_mapping(m_xcb), nullptr);
        if (!mapping) return false;
        const int perRow = mapping->keycodes_per_modifier;
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping);
        std::vector<xcb_keycode_t> rows(keycodes, keycodes + 8 * perRow);
        std::free(mapping);
        const xcb_keycode_t numLock = keycode(XK_Num_Lock);
        for (auto& code : rows) {
            if (code == numLock) code = 0;
        }
        bool placed = false;
        for (int i = 0; i < perRow && !placed; ++i) {
            auto& slot = rows[static_cast<std::size_t>(row * perRow + i)];
            if (slot == 0) placed = (slot = numLock) != 0;
        }
        xcb_set_modifier_mapping_reply_t* reply = xcb_set_modifier_mapping_reply(
            m_xcb, xcb_set_modifier_mapping(m_xcb, static_cast<std::uint8_t>(perRow), rows.data()), nullptr);
        const bool done = placed && reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
        std::free(reply);
        return done;
    }

private:
    void fake(std::uint8_t type, xcb_keysym_t keysym) {
        xcb_test_fake_input(m_xcb, type, keycode(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_xcb);
    }

    xcb_connection_t* m_xcb;
    xcb_key_symbols_t* m_symbols;
    xcb_window_t m_root = 0;
};

// Dispatches until `count` reaches `want`. The deadline only guards against a press that never arrives; it is
// not the poll's timeout alone, since a key left held would wake the poll forever.
bool waitFor(X11HotKey& hotKey, const int& count, int want) {
    const auto deadline = std::chrono::steady_clock::now() + deliveryGuard;
    hotKey.dispatch();
    while (count < want && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{hotKey.fileDescriptor(), POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(deliveryGuard.count()));
        hotKey.dispatch();
    }
    return count >= want;
}

class X11HotKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_server.isMissing()) GTEST_SKIP() << m_server.problem();
        ASSERT_FALSE(m_server.display().empty()) << m_server.problem();
    }

    // A hot key on the test server that counts its presses in `count`.
    std::unique_ptr<X11HotKey> openCounting(int& count) {
        std::string why;
        auto hotKey = X11HotKey::open(m_server.display(), &why);
        EXPECT_TRUE(hotKey) << why;
        if (hotKey) hotKey->setOnPressed([&count] { ++count; });
        return hotKey;
    }

    testing::XvfbServer m_server;
};

TEST_F(X11HotKeyTest, GrabbedShortcutReachesTheHandlerWhateverLockIsLit) {
    struct Case {
        const char* name;
        long code;
        long modifiers;
        std::initializer_list<xcb_keysym_t> chord;
        std::optional<int> numLockRow;
        bool capsLock;
    };
    // clang-format off
    const Case cases[] = {
        {"Ctrl+Alt+Space",                  49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, {},      false},
        {"Super+Shift+V",                   9,   macCommand | macShift,  {XK_Super_L, XK_Shift_L, XK_v},     {},      false},
        {"F12 alone",                       111, 0,                      {XK_F12},                           {},      false},
        {"Ctrl+Alt+Space, NumLock lit",     49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, mod2Row, false},
        {"Ctrl+Alt+Space, CapsLock lit",    49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, {},      true},
        {"Super+V, both lit",               9,   macCommand,             {XK_Super_L, XK_v},                 mod2Row, true},
        {"Super+V, NumLock on Mod3, lit",   9,   macCommand,             {XK_Super_L, XK_v},                 mod3Row, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OtherClient keyboard(m_server.display());
        int presses = 0;
        auto hotKey = openCounting(presses);
        ASSERT_TRUE(hotKey);
        const bool moved = c.numLockRow && *c.numLockRow != mod2Row;
        if (moved) {
            ASSERT_TRUE(keyboard.moveNumLockTo(*c.numLockRow));
        }
        ASSERT_EQ(hotKey->grab(*keysymForKeyCode(c.code), *xModifiersFor(c.modifiers)), std::nullopt);
        if (c.numLockRow) keyboard.type({XK_Num_Lock});
        if (c.capsLock) keyboard.type({XK_Caps_Lock});
        const std::uint16_t expectedLocks = static_cast<std::uint16_t>(
            (c.numLockRow ? 1U << *c.numLockRow : 0U) | (c.capsLock ? xLockMask : 0U));
        ASSERT_TRUE(keyboard.waitForModifierState(expectedLocks))
            << "the locks are lit as the case says: " << keyboard.modifierState();

        keyboard.type(c.chord);
        EXPECT_TRUE(waitFor(*hotKey, presses, 1));
        keyboard.type(c.chord);
        EXPECT_TRUE(waitFor(*hotKey, presses, 2));

        if (c.numLockRow) keyboard.type({XK_Num_Lock});
        if (c.capsLock) keyboard.type({XK_Caps_Lock});
        if (moved) {
            ASSERT_TRUE(keyboard.moveNumLockTo(mod2Row));
        }
    }
}

TEST_F(X11HotKeyTest, AHeldKeyIsOnePress) {
    OtherClient keyboard(m_server.display());
    int presses = 0;
    auto hotKey = openCounting(presses);
    ASSERT_TRUE(hotKey);
    ASSERT_EQ(hotKey->grab(XK_space, xControlMask), std::nullopt);

    keyboard.press(XK_Control_L);
    keyboard.press(XK_space);
    ASSERT_TRUE(waitFor(*hotKey, presses, 1));
    // Held down, the key is repeated by the server itself; only its own key events reach this connection.
    for (int repeats = 0; repeats < 3; ++repeats) {
        pollfd readable{hotKey->fileDescriptor(), POLLIN, 0};
        ASSERT_EQ(::poll(&readable, 1, static_cast<int>(deliveryGuard.count())), 1)
            << "the server did not repeat the held key";
        hotKey->dispatch();
    }
    EXPECT_EQ(presses, 1);
    keyboard.release(XK_space);
    keyboard.press(XK_space);
    EXPECT_TRUE(waitFor(*hotKey, presses, 2)) << "released, the next press counts again";
    keyboard.release(XK_space);
    keyboard.release(XK_Control_L);
}

TEST_F(X11HotKeyTest, AShortcutAnotherClientHoldsIsTakenAndARefusalKeepsNothing) {
    OtherClient other(m_server.display());
    int firstPresses = 0;
    int secondPresses = 0;
    auto first = openCounting(firstPresses);
    auto second = openCounting(secondPresses);
    ASSERT_TRUE(first && second);
    const std::uint16_t ctrlAlt = xControlMask | xMod1Mask;

    ASSERT_EQ(first->grab(XK_space, ctrlAlt), std::nullopt);
    EXPECT_EQ(second->grab(XK_space, ctrlAlt), X11HotKey::Refusal::taken);
    first->release();
    EXPECT_EQ(second->grab(XK_space, ctrlAlt), std::nullopt);
    other.type({XK_Control_L, XK_Alt_L, XK_space});
    EXPECT_TRUE(waitFor(*second, secondPresses, 1));
    EXPECT_EQ(first->grab(XK_space, ctrlAlt), X11HotKey::Refusal::taken);

    // Another client holding only the CapsLock variant refuses the whole shortcut, and the variants that
    // were granted on the way are given back.
    second->release();
    ASSERT_TRUE(other.grab(XK_v, xMod4Mask | XCB_MOD_MASK_LOCK));
    EXPECT_EQ(first->grab(XK_v, xMod4Mask), X11HotKey::Refusal::taken);
    EXPECT_TRUE(other.grab(XK_v, xMod4Mask));
    other.ungrab(XK_v, xMod4Mask);
    other.ungrab(XK_v, xMod4Mask | XCB_MOD_MASK_LOCK);

    // A new grab gives back the one it replaces.
    ASSERT_EQ(first->grab(XK_space, ctrlAlt), std::nullopt);
    ASSERT_EQ(first->grab(XK_v, xMod4Mask), std::nullopt);
    EXPECT_TRUE(other.grab(XK_space, ctrlAlt));
    EXPECT_EQ(firstPresses, 0);
}

TEST_F(X11HotKeyTest, ASymbolNoKeyProducesIsRefused) {
    int presses = 0;
    auto hotKey = openCounting(presses);
    ASSERT_TRUE(hotKey);
    constexpr std::uint32_t grinningFace = 0x101f600;
    EXPECT_EQ(hotKey->grab(grinningFace, xControlMask), X11HotKey::Refusal::noKey);
    EXPECT_EQ(hotKey->grab(XK_space, xControlMask), std::nullopt) << "a refusal leaves the connection usable";
}

TEST_F(X11HotKeyTest, AVanishedServerStopsTheHotKeyWithoutACrash) {
    int presses = 0;
    auto hotKey = openCounting(presses);
    ASSERT_TRUE(hotKey);
    ASSERT_EQ(hotKey->grab(XK_space, xControlMask), std::nullopt);
    m_server.stop();
    EXPECT_EQ(hotKey->grab(XK_space, xControlMask), X11HotKey::Refusal::failed);
    hotKey->dispatch();
    hotKey->release();
    EXPECT_EQ(presses, 0);
}

TEST_F(X11HotKeyTest, OpeningWhereNoScreenAnswersSaysWhy) {
    for (const std::string& name : {std::string(":64999"), m_server.display() + ".9"}) {
        std::string why;
        EXPECT_FALSE(X11HotKey::open(name, &why)) << name;
        EXPECT_NE(why.find("X display \"" + name + "\""), std::string::npos) << why;
    }
}

}  // namespace
}  // namespace brimly
