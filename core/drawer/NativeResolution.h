#pragma once

#include <optional>
#include <vector>

#include "core/base/PixelSize.h"

namespace brimly {

// One display mode as the window system lists it: its size in points and in pixels.
struct DisplayModeSize {
    int width = 0;
    int height = 0;
    int pixelWidth = 0;
    int pixelHeight = 0;
    bool isNative = false;
    bool operator==(const DisplayModeSize&) const = default;
};

// Picks a display's native pixel size from its modes: native modes first, then unscaled ones, then any;
// the largest pixel area wins and the first listed wins a tie.
struct NativeResolution {
    static std::optional<PixelSize> pick(const std::vector<DisplayModeSize>& modes);
};

}  // namespace brimly
