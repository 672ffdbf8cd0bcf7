#include "core/imaging/VipsPdf.h"

#include <vips/vips.h>

#include <algorithm>
#include <memory>

#include "core/imaging/VipsModules.h"

namespace brimly::VipsPdf {

namespace {

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;

bool available() { return VipsModules::require("pdfload", "poppler"); }

ImagePtr load(const std::string& path, int page, double scale) {
    VipsImage* out = nullptr;
    if (vips_pdfload(path.c_str(), &out, "page", page, "scale", scale, nullptr) != 0) {
        vips_error_clear();
        return nullptr;
    }
    return ImagePtr(out);
}

// sRGB with alpha, eight bits a band.
ImagePtr toRgba(ImagePtr image) {
    if (!image) return nullptr;
    VipsImage* out = nullptr;
    if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0) return nullptr;
    image.reset(out);
    if (vips_image_get_bands(image.get()) == 3) {
        if (vips_bandjoin_const1(image.get(), &out, 255, nullptr) != 0) return nullptr;
        image.reset(out);
    }
    if (vips_cast_uchar(image.get(), &out, nullptr) != 0) return nullptr;
    image.reset(out);
    return vips_image_get_bands(image.get()) == 4 ? std::move(image) : nullptr;
}

}  // namespace

std::optional<int> pageCount(const std::string& path) {
    if (!available()) return std::nullopt;
    ImagePtr first = load(path, 0, 1);
    if (!first) return std::nullopt;
    int pages = 1;
    if (vips_image_get_typeof(first.get(), VIPS_META_N_PAGES) != 0 &&
        vips_image_get_int(first.get(), VIPS_META_N_PAGES, &pages) != 0) {
        vips_error_clear();
        pages = 1;
    }
    return std::max(pages, 1);
}

std::optional<RgbaPixels> render(const std::string& path, int page, int maxSide) {
    if (!available() || maxSide <= 0) return std::nullopt;
    ImagePtr header = load(path, page, 1);
    if (!header) return std::nullopt;
    int side = std::max(vips_image_get_width(header.get()), vips_image_get_height(header.get()));
    double scale = side > 0 ? std::clamp(static_cast<double>(maxSide) / side, 0.1, 8.0) : 1.0;
    ImagePtr rgba = toRgba(load(path, page, scale));
    if (!rgba) {
        vips_error_clear();
        return std::nullopt;
    }
    std::size_t size = 0;
    void* memory = vips_image_write_to_memory(rgba.get(), &size);
    if (memory == nullptr) {
        vips_error_clear();
        return std::nullopt;
    }
    RgbaPixels pixels{.width = vips_image_get_width(rgba.get()),
                      .height = vips_image_get_height(rgba.get()),
                      .bytes = std::string(static_cast<const char*>(memory), size)};
    g_free(memory);
    return pixels;
}

}  // namespace brimly::VipsPdf
