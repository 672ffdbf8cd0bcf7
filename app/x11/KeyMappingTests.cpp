#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "app/x11/KeyMapping.h"

namespace brimly {
namespace {

// The expected symbols come from X's own header, so a mistyped value in the table shows here.
TEST(KeyMappingTest, StoredKeyCodesMeanTheirXKeySymbols) {
    struct Case {
        long code;
        std::uint32_t keysym;
        const char* spelled;
    };
    // clang-format off
    const Case cases[] = {
        {49,  XK_space,        "Space"},
        {9,   XK_v,            "V"},
        {0,   XK_a,            "A"},
        {6,   XK_z,            "Z"},
        {29,  XK_0,            "0"},
        {25,  XK_9,            "9"},
        {23,  XK_5,            "5"},
        {36,  XK_Return,       "Return"},
        {48,  XK_Tab,          "Tab"},
        {51,  XK_BackSpace,    "Backspace"},
        {53,  XK_Escape,       "Escape"},
        {117, XK_Delete,       "Delete"},
        {115, XK_Home,         "Home"},
        {119, XK_End,          "End"},
        {116, XK_Prior,        "Page Up"},
        {121, XK_Next,         "Page Down"},
        {123, XK_Left,         "Left"},
        {126, XK_Up,           "Up"},
        {122, XK_F1,           "F1"},
        {118, XK_F4,           "F4"},
        {96,  XK_F5,           "F5"},
        {111, XK_F12,          "F12"},
        {24,  XK_equal,        "="},
        {27,  XK_minus,        "-"},
        {30,  XK_bracketright, "]"},
        {39,  XK_apostrophe,   "'"},
        {42,  XK_backslash,    "\\"},
        {44,  XK_slash,        "/"},
        {50,  XK_grave,        "`"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(keysymForKeyCode(c.code), c.keysym) << c.spelled;
        EXPECT_EQ(keyCodeForKeysym(c.keysym), c.code) << c.spelled;
        EXPECT_EQ(describeShortcut(c.code, 0), c.spelled);
    }
}

TEST(KeyMappingTest, EveryKnownCodeSurvivesTheRoundTripAndTheRestAreRefused) {
    int known = 0;
    for (long code = -2; code < 200; ++code) {
        const auto keysym = keysymForKeyCode(code);
        if (!keysym) continue;
        ++known;
        EXPECT_EQ(keyCodeForKeysym(*keysym), code) << "two codes share keysym " << *keysym;
    }
    EXPECT_EQ(known, 26 + 10 + 11 + 10 + 4 + 12);

    // clang-format off
    const long unknownCodes[] = {
        -1,
        10,   // the ISO section key
        52,   // unassigned
        55,   // Command itself
        64,   // F17
        65,   // keypad decimal
        114,  // Help
        127,
        1L << 40,
    };
    const std::uint32_t unknownKeysyms[] = {0, XK_Num_Lock, XK_KP_0, XK_Super_L, XK_F13, XK_Insert, 0xffffffff};
    // clang-format on
    for (const long code : unknownCodes) EXPECT_FALSE(keysymForKeyCode(code)) << code;
    for (const std::uint32_t keysym : unknownKeysyms) EXPECT_FALSE(keyCodeForKeysym(keysym)) << keysym;
    EXPECT_EQ(keyCodeForKeysym(XK_V), 9) << "Shift held while recording";
    EXPECT_EQ(keyCodeForKeysym(XK_A), 0);
    EXPECT_EQ(keyCodeForKeysym(XK_ISO_Left_Tab), 48);
}

TEST(KeyMappingTest, ModifierMasksMapBothWaysAndUnknownBitsAreRefused) {
    struct Case {
        long mac;
        std::optional<std::uint16_t> x;
    };
    // clang-format off
    const Case cases[] = {
        {0,                                              0},
        {macCommand,                                     64},  // Super on Mod4
        {macShift,                                       1},
        {macOption,                                      8},   // Alt on Mod1
        {macControl,                                     4},
        {macControl | macOption,                         12},
        {macCommand | macShift | macOption | macControl, 77},
        {1,                                              std::nullopt},
        {macCommand | 1024,                              std::nullopt},  // the stored Caps Lock bit
        {macControl | 65536,                             std::nullopt},
        {-1,                                             std::nullopt},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(xModifiersFor(c.mac), c.x) << c.mac;
        if (c.x) {
            EXPECT_EQ(macModifiersFor(*c.x), c.mac) << c.mac;
        }
    }
    EXPECT_EQ(macModifiersFor(xLockMask | 16 | 32 | 128), 0) << "Lock, NumLock, Mod3 and Mod5 are ignored";
    EXPECT_EQ(macModifiersFor(xControlMask | xLockMask | 16 | 0x100), macControl) << "a held button too";
}

TEST(KeyMappingTest, ShortcutsAreSpelledSuperCtrlAltShiftThenKey) {
    // clang-format off
    const std::tuple<long, long, std::string> cases[] = {
        {49,  macControl | macOption,                         "Ctrl+Alt+Space"},
        {9,   macShift | macCommand,                          "Super+Shift+V"},
        {36,  macShift | macOption | macControl | macCommand, "Super+Ctrl+Alt+Shift+Return"},
        {116, macOption,                                      "Alt+Page Up"},
        {123, 0,                                              "Left"},
        {10,  macControl,                                     "Ctrl+key 10"},
        {-5,  0,                                              "key -5"},
    };
    // clang-format on
    for (const auto& [code, modifiers, spelled] : cases)
        EXPECT_EQ(describeShortcut(code, modifiers), spelled);
}

}  // namespace
}  // namespace brimly
