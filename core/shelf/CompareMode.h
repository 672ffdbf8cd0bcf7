#pragma once

#include <array>
#include <optional>

namespace brimly {

// How the compare viewer shows an image's versions: one at a time, wiped against the previous one, or as
// their difference. The raw values are what the viewer's mode switch stores.
enum class CompareMode { step = 0, wipe = 1, difference = 2 };

namespace CompareModes {

inline constexpr std::array<CompareMode, 3> allCases = {CompareMode::step, CompareMode::wipe,
                                                        CompareMode::difference};

constexpr int rawValue(CompareMode mode) { return static_cast<int>(mode); }

constexpr std::optional<CompareMode> fromRawValue(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<CompareMode>(raw);
}

}  // namespace CompareModes
}  // namespace brimly
