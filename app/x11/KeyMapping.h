#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brimly {

// The fixed table between the stored virtual key codes and modifier masks of the preferences and the X
// window system's key symbols and modifier bits. It is pure so that the settings, the status output and the
// key grab agree on one table without any of them seeing an X header.

// The stored modifier masks.
inline constexpr long macCommand = 256;
inline constexpr long macShift = 512;
inline constexpr long macOption = 2048;
inline constexpr long macControl = 4096;

// The X core modifier bits the table uses; Lock and the NumLock bit are found at run time and ignored.
inline constexpr std::uint16_t xShiftMask = 1;
inline constexpr std::uint16_t xLockMask = 2;
inline constexpr std::uint16_t xControlMask = 4;
inline constexpr std::uint16_t xMod1Mask = 8;
inline constexpr std::uint16_t xMod4Mask = 64;

std::optional<std::uint32_t> keysymForKeyCode(long code);
// Shifted letters and the shifted Tab map to their unshifted key, as a recorder sees them with Shift held.
std::optional<long> keyCodeForKeysym(std::uint32_t keysym);
// Absent when a bit other than Command, Shift, Option and Control is set.
std::optional<std::uint16_t> xModifiersFor(long macModifiers);
long macModifiersFor(std::uint16_t xState);
// "Super+Ctrl+Alt+Shift+Space" order; an unknown key reads "key 123".
std::string describeShortcut(long code, long modifiers);

}  // namespace brimly
