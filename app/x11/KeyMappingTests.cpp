#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <optional>

#include "app/x11/KeyMapping.h"

namespace brimly {
namespace {

// The expected symbols come from X's own header, so a mistyped value in the table shows here.
TEST(KeyMappingTest, StoredKeyCodesMeanTheirXKeySymbolsBothWaysAndTheRestAreRefused) {
    struct Case {
        long code;
        std::uint32_t keysym;
        const char* spelled;
    };
    // clang-format off
    const Case cases[] = {
        {49,  XK_space,        "Space"},
        {0,   XK_a,            "A"},
        {6,   XK_z,            "Z"},
        {9,   XK_v,            "V"},
        {29,  XK_0,            "0"},
        {25,  XK_9,            "9"},
        {23,  XK_5,            "5"},
        {36,  XK_Return,       "Return"},
        {48,  XK_Tab,          "Tab"},
        {51,  XK_BackSpace,    "Backspace"},
        {53,  XK_Escape,       "Escape"},
        {117, XK_Delete,       "Delete"},
        {116, XK_Prior,        "Page Up"},
        {121, XK_Next,         "Page Down"},
        {123, XK_Left,         "Left"},
        {126, XK_Up,           "Up"},
        {122, XK_F1,           "F1"},
        {96,  XK_F5,           "F5"},
        {111, XK_F12,          "F12"},
        {27,  XK_minus,        "-"},
        {30,  XK_bracketright, "]"},
        {42,  XK_backslash,    "\\"},
        {50,  XK_grave,        "`"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(keysymForKeyCode(c.code), c.keysym) << c.spelled;
        EXPECT_EQ(keyCodeForKeysym(c.keysym), c.code) << c.spelled;
        EXPECT_EQ(describeShortcut(c.code, 0), c.spelled);
    }
    int known = 0;
    for (long code = -2; code < 200; ++code) {
        const auto keysym = keysymForKeyCode(code);
        known += keysym.has_value();
        if (keysym) {
            EXPECT_EQ(keyCodeForKeysym(*keysym), code) << "two codes share keysym " << *keysym;
        }
    }
    EXPECT_EQ(known, 26 + 10 + 11 + 10 + 4 + 12);
    // The ISO section key, an unassigned code, Command itself, F17, keypad decimal and Help.
    for (const long code : {-1L, 10L, 52L, 55L, 64L, 65L, 114L, 127L, 1L << 40})
        EXPECT_FALSE(keysymForKeyCode(code)) << code;
    for (const std::uint32_t keysym :
         {0U, 0xffffffffU, std::uint32_t{XK_Num_Lock}, std::uint32_t{XK_KP_0}, std::uint32_t{XK_Super_L},
          std::uint32_t{XK_F13}, std::uint32_t{XK_Insert}})
        EXPECT_FALSE(keyCodeForKeysym(keysym)) << keysym;
    // Shift held while recording.
    EXPECT_EQ(keyCodeForKeysym(XK_A), 0);
    EXPECT_EQ(keyCodeForKeysym(XK_Z), 6);
    EXPECT_EQ(keyCodeForKeysym(XK_ISO_Left_Tab), 48);
}

TEST(KeyMappingTest, ModifiersMapBothWaysAreSpelledSuperCtrlAltShiftAndUnknownBitsAreRefused) {
    struct Case {
        long mac;
        std::optional<std::uint16_t> x;
        const char* spelled;  // with Space
    };
    // clang-format off
    const Case cases[] = {
        {0,                                              0,            "Space"},
        {macCommand,                                     64,           "Super+Space"},  // Super on Mod4
        {macShift,                                       1,            "Shift+Space"},
        {macOption,                                      8,            "Alt+Space"},    // Alt on Mod1
        {macControl,                                     4,            "Ctrl+Space"},
        {macCommand | macShift | macOption | macControl, 77,           "Super+Ctrl+Alt+Shift+Space"},
        {1,                                              std::nullopt, nullptr},
        {macCommand | 1024,                              std::nullopt, nullptr},  // the stored Caps Lock bit
        {macControl | 65536,                             std::nullopt, nullptr},
        {-1,                                             std::nullopt, nullptr},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(xModifiersFor(c.mac), c.x) << c.mac;
        if (!c.x) continue;
        EXPECT_EQ(macModifiersFor(*c.x), c.mac) << c.mac;
        EXPECT_EQ(describeShortcut(49, c.mac), c.spelled);
    }
    EXPECT_EQ(macModifiersFor(xLockMask | 16 | 32 | 128), 0) << "Lock, NumLock, Mod3 and Mod5 are ignored";
    EXPECT_EQ(macModifiersFor(xControlMask | xLockMask | 16 | 0x100), macControl) << "a held button too";
    EXPECT_EQ(describeShortcut(10, macControl), "Ctrl+key 10");
    EXPECT_EQ(describeShortcut(-5, 0), "key -5");
}

}  // namespace
}  // namespace brimly
