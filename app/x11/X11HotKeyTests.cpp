#include <X11/keysym.h>

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
    using Chord = std::vector<xcb_keysym_t>;
    const Chord ctrlAltSpace{XK_Control_L, XK_Alt_L, XK_space}, superV{XK_Super_L, XK_v};
    const Chord none, numLock{XK_Num_Lock}, capsLock{XK_Caps_Lock}, both{XK_Num_Lock, XK_Caps_Lock};
    // clang-format off
    const std::tuple<const char*, long, long, Chord, int, Chord> cases[] = {
        // name                          code modifiers               chord                            NumLock row  locks lit
        {"Ctrl+Alt+Space",               49,  macControl | macOption, ctrlAltSpace,                    mod2Row,     none},
        {"Super+Shift+V",                9,   macCommand | macShift,  {XK_Super_L, XK_Shift_L, XK_v},  mod2Row,     none},
        {"F12 alone",                    111, 0,                      {XK_F12},                        mod2Row,     none},
        {"Ctrl+Alt+Space, NumLock lit",  49,  macControl | macOption, ctrlAltSpace,                    mod2Row,     numLock},
        {"Ctrl+Alt+Space, CapsLock lit", 49,  macControl | macOption, ctrlAltSpace,                    mod2Row,     capsLock},
        {"Super+V, both lit",            9,   macCommand,             superV,                          mod2Row,     both},
        {"Super+V, NumLock on Mod3, lit", 9,  macCommand,             superV,                          mod3Row,     numLock},
    };
    // clang-format on
    testing::XClient keyboard(m_server.display());
    int presses = 0;
    for (const auto& [name, code, modifiers, chord, numLockRow, locks] : cases) {
        SCOPED_TRACE(name);
        // A hot key of its own, which must give the shortcut back for the next case's as it goes.
        auto hotKey = openCounting(presses);
        ASSERT_TRUE(hotKey);
        // The lock's bit is learnt when grabbing, so the key moves first.
        ASSERT_TRUE(moveNumLockTo(keyboard, numLockRow));
        ASSERT_EQ(hotKey->grab(*keysymForKeyCode(code), *xModifiersFor(modifiers)), std::nullopt);
        unsigned lit = 0;
        for (const xcb_keysym_t lock : locks) {
            keyboard.type({lock});
            lit |= lock == XK_Caps_Lock ? xLockMask : 1U << numLockRow;
        }
        ASSERT_TRUE(testing::askUntil([&] { return keyboard.pointer().mask == lit; }));
        for (const int want : {presses + 1, presses + 2}) {
            keyboard.type(chord);
            EXPECT_TRUE(testing::dispatchUntil(*hotKey, [&] { return presses == want; }));
        }
        for (const xcb_keysym_t lock : locks) keyboard.type({lock});
    }

    // Held down, the key is repeated by the server itself, and only its own key events reach this connection.
    auto hotKey = openCounting(presses);
    ASSERT_EQ(hotKey->grab(XK_space, 0), std::nullopt);
    presses = 0;
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
