#include "app/items/PdfPages.h"

#include "core/store/ImageModules.h"
#include "core/store/Imaging.h"

namespace brimly {

bool PdfPages::isAvailable() {
    static const bool available = ImageModules::require("pdfload", "poppler");
    return available;
}

std::optional<int> PdfPages::pageCount(const std::string& path) {
    if (!isAvailable()) return std::nullopt;
    return Imaging::functions()->pdfPageCount(path);
}

QImage PdfPages::render(const std::string& path, int page, int maxSide) {
    if (!isAvailable()) return {};
    auto pixels = Imaging::functions()->renderPdfPage(path, page, maxSide);
    if (!pixels) return {};
    QImage image(reinterpret_cast<const uchar*>(pixels->bytes.data()), pixels->width, pixels->height,
                 pixels->width * 4, QImage::Format_RGBA8888);
    // The view above borrows the bytes; the copy owns its own.
    return image.copy();
}

}  // namespace brimly
