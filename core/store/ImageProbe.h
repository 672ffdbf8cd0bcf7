#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/base/PixelSize.h"

namespace brimly {

// Encoded image bytes (png, jpg, gif, webp, heic or svg) held in memory and shared between copies.
class ImageSource {
public:
    static ImageSource fromBytes(std::string bytes);
    // The file's bytes, or nothing when it cannot be read or is too large to be a picture worth probing.
    static std::optional<ImageSource> open(const std::string& path);

    const std::string& bytes() const { return *m_bytes; }

private:
    explicit ImageSource(std::shared_ptr<const std::string> bytes) : m_bytes(std::move(bytes)) {}
    std::shared_ptr<const std::string> m_bytes;
};

// A decoded picture held in memory (a thumbnail), upright.
class Image {
public:
    struct Pixels;
    explicit Image(std::shared_ptr<Pixels> pixels) : m_pixels(std::move(pixels)) {}

    long width() const;
    long height() const;
    const Pixels& pixels() const { return *m_pixels; }

private:
    std::shared_ptr<Pixels> m_pixels;
};

// Pixel sizes, thumbnails and JPEG files for ingest, on libvips, which is opened at the first use. Only the
// six picture formats the shelf knows are ever handed to a decoder; anything else, truncated or hostile bytes
// included, gives nothing. Safe to use from any thread.
namespace ImageProbe {

inline constexpr int thumbnailSide = 360;
inline constexpr int jpegQuality = 80;
// Pictures with more pixels than this are not decoded for thumbnails: a few bytes can declare billions.
inline constexpr long maxDecodedPixels = 1L << 28;
// Larger files are not read as pictures at all. Real screenshots and photos stay far below it (an 8K
// screenshot stored without compression is 133 MB); ingest holds the bytes and a copy for the probe.
inline constexpr std::uint64_t maxSourceBytes = 256UL * 1024 * 1024;

// The displayed size of the first image, read from its header: width and height swap for the
// orientations that turn the picture by a quarter (5 to 8).
std::optional<PixelSize> pixelSize(const ImageSource& source);

// The first image, upright, with its larger side at most `maxPixel` (never enlarged). With a
// `minimumSide` above 0, a picture whose larger side is below it gives nothing.
std::optional<Image> thumbnail(const ImageSource& source, int maxPixel, int minimumSide = 0);
std::optional<Image> thumbnail(const std::string& path, int maxPixel, int minimumSide = 0);

// Replaces the file at `path` in one step with the image as JPEG at quality 0.8.
[[nodiscard]] bool writeJPEG(const Image& image, const std::string& path);

// The thumbnail ingest keeps for an item: largest side 360 pixels, as JPEG.
[[nodiscard]] bool writeThumbnail(const ImageSource& source, const std::string& path);

}  // namespace ImageProbe
}  // namespace brimly
