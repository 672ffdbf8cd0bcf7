#pragma once

#include <string>
#include <string_view>

namespace brimly::testing {

// Encoded pictures built byte by byte, so that tests decode real files without any encoder.
namespace TestImages {

// An RGB PNG of the given size with a gradient (deflate "stored" blocks, so the size grows with the area).
std::string png(int width, int height);
// `jpeg` with an EXIF block carrying the given orientation inserted after its start marker.
std::string withExifOrientation(std::string_view jpeg, int orientation);
// An SVG document declaring the given size.
std::string svg(int width, int height);
// A black 8 x 8 HEIC picture.
std::string heic8x8();

}  // namespace TestImages
}  // namespace brimly::testing
