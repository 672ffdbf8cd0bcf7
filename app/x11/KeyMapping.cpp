#include "app/x11/KeyMapping.h"

#include <array>
#include <string_view>

namespace brimly {
namespace {

struct Key {
    long code;
    std::uint32_t keysym;
    std::string_view name;
};

// clang-format off
constexpr std::array keys{
    Key{0, 0x61, "A"},   Key{11, 0x62, "B"},  Key{8, 0x63, "C"},   Key{2, 0x64, "D"},   Key{14, 0x65, "E"},
    Key{3, 0x66, "F"},   Key{5, 0x67, "G"},   Key{4, 0x68, "H"},   Key{34, 0x69, "I"},  Key{38, 0x6a, "J"},
    Key{40, 0x6b, "K"},  Key{37, 0x6c, "L"},  Key{46, 0x6d, "M"},  Key{45, 0x6e, "N"},  Key{31, 0x6f, "O"},
    Key{35, 0x70, "P"},  Key{12, 0x71, "Q"},  Key{15, 0x72, "R"},  Key{1, 0x73, "S"},   Key{17, 0x74, "T"},
    Key{32, 0x75, "U"},  Key{9, 0x76, "V"},   Key{13, 0x77, "W"},  Key{7, 0x78, "X"},   Key{16, 0x79, "Y"},
    Key{6, 0x7a, "Z"},
    Key{29, 0x30, "0"},  Key{18, 0x31, "1"},  Key{19, 0x32, "2"},  Key{20, 0x33, "3"},  Key{21, 0x34, "4"},
    Key{23, 0x35, "5"},  Key{22, 0x36, "6"},  Key{26, 0x37, "7"},  Key{28, 0x38, "8"},  Key{25, 0x39, "9"},
    Key{24, 0x3d, "="},  Key{27, 0x2d, "-"},  Key{30, 0x5d, "]"},  Key{33, 0x5b, "["},  Key{39, 0x27, "'"},
    Key{41, 0x3b, ";"},  Key{42, 0x5c, "\\"}, Key{43, 0x2c, ","},  Key{44, 0x2f, "/"},  Key{47, 0x2e, "."},
    Key{50, 0x60, "`"},
    Key{36, 0xff0d, "Return"},  Key{48, 0xff09, "Tab"},        Key{49, 0x20, "Space"},
    Key{51, 0xff08, "Backspace"}, Key{53, 0xff1b, "Escape"},   Key{117, 0xffff, "Delete"},
    Key{115, 0xff50, "Home"},   Key{119, 0xff57, "End"},       Key{116, 0xff55, "Page Up"},
    Key{121, 0xff56, "Page Down"},
    Key{123, 0xff51, "Left"},   Key{124, 0xff53, "Right"},     Key{125, 0xff54, "Down"},  Key{126, 0xff52, "Up"},
    Key{122, 0xffbe, "F1"},  Key{120, 0xffbf, "F2"},  Key{99, 0xffc0, "F3"},   Key{118, 0xffc1, "F4"},
    Key{96, 0xffc2, "F5"},   Key{97, 0xffc3, "F6"},   Key{98, 0xffc4, "F7"},   Key{100, 0xffc5, "F8"},
    Key{101, 0xffc6, "F9"},  Key{109, 0xffc7, "F10"}, Key{103, 0xffc8, "F11"}, Key{111, 0xffc9, "F12"},
};

struct Modifier {
    long mac;
    std::uint16_t x;
    std::string_view name;
};

// In the order a shortcut is spelled.
constexpr std::array modifierTable{
    Modifier{macCommand, xMod4Mask,    "Super"},
    Modifier{macControl, xControlMask, "Ctrl"},
    Modifier{macOption,  xMod1Mask,    "Alt"},
    Modifier{macShift,   xShiftMask,   "Shift"},
};
// clang-format on

constexpr std::uint32_t upperA = 0x41;
constexpr std::uint32_t upperZ = 0x5a;
constexpr std::uint32_t lowerCaseOffset = 0x20;
constexpr std::uint32_t isoLeftTab = 0xfe20;
constexpr std::uint32_t tab = 0xff09;

const Key* keyForCode(long code) {
    for (const auto& key : keys) {
        if (key.code == code) return &key;
    }
    return nullptr;
}

}  // namespace

std::optional<std::uint32_t> keysymForKeyCode(long code) {
    const Key* key = keyForCode(code);
    if (!key) return std::nullopt;
    return key->keysym;
}

std::optional<long> keyCodeForKeysym(std::uint32_t keysym) {
    if (keysym >= upperA && keysym <= upperZ) keysym += lowerCaseOffset;
    if (keysym == isoLeftTab) keysym = tab;
    for (const auto& key : keys) {
        if (key.keysym == keysym) return key.code;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> xModifiersFor(long macModifiers) {
    std::uint16_t x = 0;
    for (const auto& modifier : modifierTable) {
        if (macModifiers & modifier.mac) {
            x = static_cast<std::uint16_t>(x | modifier.x);
            macModifiers &= ~modifier.mac;
        }
    }
    if (macModifiers != 0) return std::nullopt;
    return x;
}

long macModifiersFor(std::uint16_t xState) {
    long mac = 0;
    for (const auto& modifier : modifierTable) {
        if (xState & modifier.x) mac |= modifier.mac;
    }
    return mac;
}

std::string describeShortcut(long code, long modifiers) {
    std::string text;
    for (const auto& modifier : modifierTable) {
        if (modifiers & modifier.mac) {
            text += modifier.name;
            text += '+';
        }
    }
    const Key* key = keyForCode(code);
    if (key) {
        text += key->name;
    } else {
        text += "key " + std::to_string(code);
    }
    return text;
}

}  // namespace brimly
