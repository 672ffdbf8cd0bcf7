#include "core/store/ImageProbe.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileReader.h"
#include "core/store/Imaging.h"

namespace brimly {

long Image::width() const { return Imaging::functions()->width(*m_pixels); }
long Image::height() const { return Imaging::functions()->height(*m_pixels); }

ImageSource ImageSource::fromBytes(std::string bytes) {
    return ImageSource(std::make_shared<const std::string>(std::move(bytes)));
}

std::optional<ImageSource> ImageSource::open(const std::string& path) {
    auto opened = FileReader::open(path, ImageProbe::maxSourceBytes);
    auto* file = std::get_if<FileReader>(&opened);
    if (!file) return std::nullopt;
    auto bytes = file->readAll();
    auto* read = std::get_if<std::string>(&bytes);
    if (!read) return std::nullopt;
    return fromBytes(std::move(*read));
}

namespace ImageProbe {

std::optional<PixelSize> pixelSize(const ImageSource& source) {
    const auto* imaging = Imaging::functions();
    if (imaging == nullptr) return std::nullopt;
    return imaging->pixelSize(source.bytes());
}

std::optional<Image> thumbnail(const ImageSource& source, int maxPixel, int minimumSide) {
    const auto* imaging = Imaging::functions();
    if (imaging == nullptr) return std::nullopt;
    return imaging->thumbnail(source.bytes(), maxPixel, minimumSide);
}

std::optional<Image> thumbnail(const std::string& path, int maxPixel, int minimumSide) {
    auto source = ImageSource::open(path);
    if (!source) return std::nullopt;
    return thumbnail(*source, maxPixel, minimumSide);
}

bool writeJPEG(const Image& image, const std::string& path) {
    // An image exists only where the image library made it.
    auto bytes = Imaging::functions()->encodeJpeg(image.pixels(), jpegQuality);
    return bytes && !AtomicFile::write(path, *bytes);
}

bool writeThumbnail(const ImageSource& source, const std::string& path) {
    auto image = thumbnail(source, thumbnailSide);
    return image && writeJPEG(*image, path);
}

}  // namespace ImageProbe
}  // namespace brimly
