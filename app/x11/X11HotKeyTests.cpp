#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "app/x11/KeyMapping.h"
#include "app/x11/X11HotKey.h"
#include "app/x11/XvfbTestSupport.h"

namespace brimly {
namespace {

constexpr int mod2Row = 4, mod3Row = 5;

// Moves the NumLock key to the modifier row `row` (Shift is 0, Mod1 3); false when the server refuses.
bool moveNumLockTo(testing::XClient& keyboard, int row) {
    auto* mapping =
        xcb_get_modifier_mapping_reply(keyboard.xcb(), xcb_get_modifier_mapping(keyboard.xcb()), nullptr);
    const int perRow = mapping->keycodes_per_modifier;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping);
    std::vector<xcb_keycode_t> rows(keycodes, keycodes + 8 * perRow);
    std::free(mapping);
    const xcb_keycode_t numLock = keyboard.keycode(XK_Num_Lock);
    std::replace(rows.begin(), rows.end(), numLock, xcb_keycode_t{0});
    const auto rowEnd = rows.begin() + (row + 1) * perRow, slot = std::find(rowEnd - perRow, rowEnd, 0);
    if (slot == rowEnd) return false;
    *slot = numLock;
    auto* reply = xcb_set_modifier_mapping_reply(
        keyboard.xcb(), xcb_set_modifier_mapping(keyboard.xcb(), std::uint8_t(perRow), rows.data()), nullptr);
    const bool done = reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
    std::free(reply);
    return done;
}

bool grabElsewhere(testing::XClient& other, xcb_keysym_t keysym, std::uint16_t modifiers) {
    xcb_generic_error_t* error = xcb_request_check(
        other.xcb(), xcb_grab_key_checked(other.xcb(), 1, other.root(), modifiers, other.keycode(keysym),
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
}

class X11HotKeyTest : public testing::XvfbTest {
protected:
    // A hot key on the test server that counts its presses in `count`.
    std::unique_ptr<X11HotKey> openCounting(int& count) {
        auto hotKey = X11HotKey::open(m_server.display(), nullptr);
        if (hotKey) hotKey->setOnPressed([&count] { ++count; });
        return hotKey;
    }
};

TEST_F(X11HotKeyTest, TheShortcutFiresWhateverLockIsLitAndAHeldKeyIsOnePress) {
    struct Case {
        const char* name;
        long code, modifiers;
        std::vector<xcb_keysym_t> chord;
        int numLockRow;
        bool numLock, capsLock;
    };
    // clang-format off
    const Case cases[] = {
        {"Ctrl+Alt+Space",                49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, mod2Row, false, false},
        {"Super+Shift+V",                 9,   macCommand | macShift,  {XK_Super_L, XK_Shift_L, XK_v},     mod2Row, false, false},
        {"F12 alone",                     111, 0,                      {XK_F12},                           mod2Row, false, false},
        {"Ctrl+Alt+Space, NumLock lit",   49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, mod2Row, true,  false},
        {"Ctrl+Alt+Space, CapsLock lit",  49,  macControl | macOption, {XK_Control_L, XK_Alt_L, XK_space}, mod2Row, false, true},
        {"Super+V, both lit",             9,   macCommand,             {XK_Super_L, XK_v},                 mod2Row, true,  true},
        {"Super+V, NumLock on Mod3, lit", 9,   macCommand,             {XK_Super_L, XK_v},                 mod3Row, true,  false},
    };
    // clang-format on
    testing::XClient keyboard(m_server.display());
    int presses = 0;
    auto hotKey = openCounting(presses);
    ASSERT_TRUE(hotKey);
    const auto toggleLocks = [&](const Case& c) {
        if (c.numLock) keyboard.type({XK_Num_Lock});
        if (c.capsLock) keyboard.type({XK_Caps_Lock});
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The lock's bit is learnt when grabbing, so the key moves first.
        ASSERT_TRUE(moveNumLockTo(keyboard, c.numLockRow));
        ASSERT_EQ(hotKey->grab(*keysymForKeyCode(c.code), *xModifiersFor(c.modifiers)), std::nullopt);
        toggleLocks(c);
        const unsigned locks = (c.numLock ? 1U << c.numLockRow : 0U) | (c.capsLock ? xLockMask : 0U);
        ASSERT_TRUE(testing::askUntil([&] { return keyboard.pointer().mask == locks; }));
        const int before = presses;
        keyboard.type(c.chord);
        EXPECT_TRUE(testing::dispatchUntil(*hotKey, [&] { return presses == before + 1; }));
        keyboard.type(c.chord);
        EXPECT_TRUE(testing::dispatchUntil(*hotKey, [&] { return presses == before + 2; }));
        toggleLocks(c);
    }

    // Held down, the key is repeated by the server itself, and only its own key events reach this connection.
    ASSERT_EQ(hotKey->grab(XK_space, xControlMask), std::nullopt);
    presses = 0;
    keyboard.fake(XCB_KEY_PRESS, keyboard.keycode(XK_Control_L));
    keyboard.fake(XCB_KEY_PRESS, keyboard.keycode(XK_space));
    ASSERT_TRUE(testing::dispatchUntil(*hotKey, [&] { return presses == 1; }));
    for (int repeats = 0; repeats < 3; ++repeats) {
        pollfd readable{hotKey->fileDescriptor(), POLLIN, 0};
        ASSERT_EQ(::poll(&readable, 1, 20000), 1) << "the server did not repeat the held key";
        hotKey->dispatch();
    }
    EXPECT_EQ(presses, 1);
    keyboard.fake(XCB_KEY_RELEASE, keyboard.keycode(XK_space));
    keyboard.type({XK_space});
    EXPECT_TRUE(testing::dispatchUntil(*hotKey, [&] { return presses == 2; })) << "released, it counts again";
    keyboard.fake(XCB_KEY_RELEASE, keyboard.keycode(XK_Control_L));
}

TEST_F(X11HotKeyTest, ATakenShortcutIsRefusedARefusalKeepsNothingAndAGoneServerFailsQuietly) {
    testing::XClient other(m_server.display());
    int firstPresses = 0, secondPresses = 0;
    auto first = openCounting(firstPresses), second = openCounting(secondPresses);
    ASSERT_TRUE(first && second);
    const std::uint16_t ctrlAlt = xControlMask | xMod1Mask;

    ASSERT_EQ(first->grab(XK_space, ctrlAlt), std::nullopt);
    EXPECT_EQ(second->grab(XK_space, ctrlAlt), X11HotKey::Refusal::taken);
    first->release();
    EXPECT_EQ(second->grab(XK_space, ctrlAlt), std::nullopt) << "a release is done when it returns";
    other.type({XK_Control_L, XK_Alt_L, XK_space});
    EXPECT_TRUE(testing::dispatchUntil(*second, [&] { return secondPresses == 1; }));
    EXPECT_EQ(first->grab(XK_space, ctrlAlt), X11HotKey::Refusal::taken);
    second->release();

    // Another client holding only the CapsLock variant refuses the whole shortcut, and the variants granted
    // on the way are given back.
    ASSERT_TRUE(grabElsewhere(other, XK_v, xMod4Mask | xLockMask));
    EXPECT_EQ(first->grab(XK_v, xMod4Mask), X11HotKey::Refusal::taken);
    EXPECT_TRUE(grabElsewhere(other, XK_v, xMod4Mask));
    xcb_ungrab_key(other.xcb(), XCB_GRAB_ANY, other.root(), XCB_MOD_MASK_ANY);
    other.sync();
    EXPECT_EQ(first->grab(0x101f600, xControlMask), X11HotKey::Refusal::noKey) << "an emoji no key produces";

    // A new grab gives back the one it replaces.
    ASSERT_EQ(first->grab(XK_space, ctrlAlt), std::nullopt);
    ASSERT_EQ(first->grab(XK_v, xMod4Mask), std::nullopt);
    EXPECT_TRUE(grabElsewhere(other, XK_space, ctrlAlt));

    m_server.stop();
    EXPECT_EQ(first->grab(XK_space, xControlMask), X11HotKey::Refusal::failed);
    first->dispatch();
    first->release();
    EXPECT_EQ(firstPresses, 0);
}

}  // namespace
}  // namespace brimly
