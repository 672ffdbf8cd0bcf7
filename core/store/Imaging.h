#pragma once

#include <optional>
#include <string>

#include "core/base/PixelSize.h"
#include "core/store/ImageProbe.h"

namespace brimly {

// A picture as rows of eight-bit red, green, blue and alpha, without padding.
struct RgbaPixels {
    int width = 0;
    int height = 0;
    std::string bytes;
};

// What the image library (libvips and the hundred libraries it brings) does for the rest of the program.
// It lives in a shared object of its own, opened at the first picture: a `brimly` that never sees one
// never maps those libraries, and starts and wakes cheaper for it. Both sides are built together, so the
// table holds C++ types; only the entry point has C linkage, for `dlsym`.
struct ImagingFunctions {
    std::optional<PixelSize> (*pixelSize)(const std::string& bytes);
    std::optional<Image> (*thumbnail)(const std::string& bytes, int maxPixel, int minimumSide);
    long (*width)(const Image::Pixels& pixels);
    long (*height)(const Image::Pixels& pixels);
    std::optional<std::string> (*encodeJpeg)(const Image::Pixels& pixels, int quality);
    bool (*require)(const char* operation, const char* module);
    bool (*has)(const char* operation);
    // Pages of a PDF, through the poppler module: nothing when it is missing or the file is no readable PDF.
    std::optional<int> (*pdfPageCount)(const std::string& path);
    // Page `page` (from 0) with its larger side about `maxSide` pixels.
    std::optional<RgbaPixels> (*renderPdfPage)(const std::string& path, int page, int maxSide);
};

// The shared object's one export: its table, or null when libvips would not start.
inline constexpr const char* imagingEntryPoint = "brimly_imaging_functions";
using ImagingEntry = const ImagingFunctions*();

namespace Imaging {

// The table, opening the shared object on first use; null (logged once) when it cannot be opened.
const ImagingFunctions* functions();

// The table of the shared object at `path`; null, with the reason logged, when it cannot be opened or
// libvips does not start. Opened objects stay open.
const ImagingFunctions* load(const char* path);

}  // namespace Imaging
}  // namespace brimly
