#include "core/drawer/NativeResolution.h"

#include <functional>

namespace brimly {

std::optional<PixelSize> NativeResolution::pick(const std::vector<DisplayModeSize>& modes) {
    auto best = [&](const std::function<bool(const DisplayModeSize&)>& accept) -> std::optional<PixelSize> {
        const DisplayModeSize* chosen = nullptr;
        // Areas in 64 bits: two 32-bit pixel counts multiplied overflow an int.
        long long chosenArea = 0;
        for (const auto& mode : modes) {
            if (!accept(mode)) continue;
            long long area = static_cast<long long>(mode.pixelWidth) * mode.pixelHeight;
            if (!chosen || area > chosenArea) {
                chosen = &mode;
                chosenArea = area;
            }
        }
        if (!chosen) return std::nullopt;
        return PixelSize{chosen->pixelWidth, chosen->pixelHeight};
    };
    if (auto native = best([](const DisplayModeSize& m) { return m.isNative; })) return native;
    if (auto unscaled = best(
            [](const DisplayModeSize& m) { return m.pixelWidth == m.width && m.pixelHeight == m.height; })) {
        return unscaled;
    }
    return best([](const DisplayModeSize&) { return true; });
}

}  // namespace brimly
