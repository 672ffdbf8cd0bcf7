#pragma once

namespace brimly {

// A size in whole pixels, as a picture header or a display mode states it. `long`, because a header may
// declare sizes whose product overflows an int.
struct PixelSize {
    long width = 0;
    long height = 0;
    bool operator==(const PixelSize&) const = default;
};

}  // namespace brimly
