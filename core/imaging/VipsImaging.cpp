#include <vips/vips.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "core/imaging/VipsModules.h"
#include "core/imaging/VipsPdf.h"
#include "core/store/Imaging.h"

namespace brimly {

struct Image::Pixels {
    explicit Pixels(VipsImage* owned) : image(owned) {}
    ~Pixels() { g_object_unref(image); }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    VipsImage* image;
};

namespace {

void ignoreMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

bool startVips() {
    VipsModules::keepOutAtStart("brimly");
    if (VIPS_INIT("brimly") != 0) return false;
    // Every probe sees new bytes; a cache of operations would only hold memory.
    vips_cache_set_max(0);
    // The thumbnail workers already keep every core busy, one image each; the library's own thread pools
    // would only add threads, each with its scratch buffers.
    vips_concurrency_set(1);
    vips_leak_set(FALSE);
    // Hostile files make decoders complain on stderr; the probe reports failures as values instead.
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      ignoreMessage, nullptr);
    return true;
}

// The loaders of the formats the shelf shows. Anything else libvips could open (PDF, TIFF, whatever
// ImageMagick reads) stays closed: those decoders are not meant for untrusted bytes.
bool isAllowedLoader(const char* name) {
    static constexpr std::array<std::string_view, 6> allowed = {
        "VipsForeignLoadPngBuffer",  "VipsForeignLoadJpegBuffer", "VipsForeignLoadNsgifBuffer",
        "VipsForeignLoadWebpBuffer", "VipsForeignLoadHeifBuffer", "VipsForeignLoadSvgBuffer"};
    if (name == nullptr) return false;
    for (auto candidate : allowed) {
        if (candidate == name) return true;
    }
    return false;
}

// HEIF and AVIF files are ISO media files: a box of type "ftyp" comes first.
bool looksLikeMediaFile(const std::string& bytes) {
    return bytes.size() >= 12 && bytes.compare(4, 4, "ftyp") == 0;
}

// The loader libvips would use for the bytes, when it is one of the allowed ones.
std::optional<std::string_view> loaderFor(const std::string& bytes) {
    if (bytes.empty()) return std::nullopt;
    const char* loader = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    // Asked again only when the HEIF loader was missing: with it, the first answer stands.
    if (loader == nullptr && looksLikeMediaFile(bytes) && !VipsModules::has("heifload") &&
        VipsModules::require("heifload", "heif")) {
        vips_error_clear();
        loader = vips_foreign_find_load_buffer(bytes.data(), bytes.size());
    }
    if (!isAllowedLoader(loader)) {
        vips_error_clear();
        return std::nullopt;
    }
    return std::string_view(loader);
}

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImageHandle = std::unique_ptr<VipsImage, Unref>;

struct Header {
    ImageHandle image;
    std::string_view loader;
};

// Only the header is read: pixels are decoded on demand and the probe never asks for them.
Header openHeader(const std::string& bytes) {
    auto loader = loaderFor(bytes);
    if (!loader) return {};
    VipsImage* image =
        vips_image_new_from_buffer(bytes.data(), bytes.size(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (image == nullptr) vips_error_clear();
    return {ImageHandle(image), *loader};
}

bool turnsByQuarter(VipsImage* image) {
    int orientation = 0;
    if (!vips_image_get_typeof(image, VIPS_META_ORIENTATION)) return false;
    if (vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation) != 0) {
        vips_error_clear();
        return false;
    }
    // Values above 8 are no orientation; the decoder would not turn such a picture either.
    return orientation >= 5 && orientation <= 8;
}

std::optional<PixelSize> headerSize(VipsImage* image) {
    long width = vips_image_get_width(image);
    long height = vips_image_get_height(image);
    if (width <= 0 || height <= 0) return std::nullopt;
    if (turnsByQuarter(image)) std::swap(width, height);
    return PixelSize{width, height};
}

std::optional<PixelSize> pixelSize(const std::string& bytes) {
    auto header = openHeader(bytes);
    if (!header.image) return std::nullopt;
    return headerSize(header.image.get());
}

std::optional<Image> thumbnail(const std::string& bytes, int maxPixel, int minimumSide) {
    if (maxPixel < 1) return std::nullopt;
    auto header = openHeader(bytes);
    if (!header.image) return std::nullopt;
    auto size = headerSize(header.image.get());
    if (!size) return std::nullopt;
    if (minimumSide > 0 && std::max(size->width, size->height) < minimumSide) return std::nullopt;
    // Vector pictures are drawn at the thumbnail's size, whatever size they declare.
    if (header.loader != "VipsForeignLoadSvgBuffer" &&
        size->width > ImageProbe::maxDecodedPixels / size->height) {
        return std::nullopt;
    }
    header.image.reset();

    VipsImage* lazy = nullptr;
    // Fails on truncated data instead of padding the picture with grey; turns it upright; never enlarges.
    if (vips_thumbnail_buffer(const_cast<char*>(bytes.data()), bytes.size(), &lazy, maxPixel, "height",
                              maxPixel, "size", VIPS_SIZE_DOWN, "option_string", "fail_on=truncated",
                              nullptr) != 0) {
        vips_error_clear();
        return std::nullopt;
    }
    ImageHandle pending(lazy);
    // Decoding happens here, so that a picture that cannot be decoded gives nothing now rather than a
    // broken JPEG later.
    VipsImage* decoded = vips_image_copy_memory(pending.get());
    if (decoded == nullptr) {
        vips_error_clear();
        return std::nullopt;
    }
    return Image(std::make_shared<Image::Pixels>(decoded));
}

long width(const Image::Pixels& pixels) { return vips_image_get_width(pixels.image); }
long height(const Image::Pixels& pixels) { return vips_image_get_height(pixels.image); }

std::optional<std::string> encodeJpeg(const Image::Pixels& pixels, int quality) {
    void* buffer = nullptr;
    size_t length = 0;
    // No metadata: the picture is already upright, and an orientation tag would turn it twice.
    if (vips_jpegsave_buffer(pixels.image, &buffer, &length, "Q", quality, "strip", TRUE, nullptr) != 0) {
        vips_error_clear();
        return std::nullopt;
    }
    std::string bytes(static_cast<const char*>(buffer), length);
    g_free(buffer);
    return bytes;
}

constexpr ImagingFunctions table = {
    .pixelSize = pixelSize,
    .thumbnail = thumbnail,
    .width = width,
    .height = height,
    .encodeJpeg = encodeJpeg,
    .require = VipsModules::require,
    .has = VipsModules::has,
    .pdfPageCount = VipsPdf::pageCount,
    .renderPdfPage = VipsPdf::render,
};

}  // namespace
}  // namespace brimly

extern "C" __attribute__((visibility("default"))) const brimly::ImagingFunctions* brimly_imaging_functions() {
    return brimly::startVips() ? &brimly::table : nullptr;
}
