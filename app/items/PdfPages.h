#pragma once

#include <QImage>
#include <optional>
#include <string>

namespace brimly {

// Renders the pages of a PDF the user opened in the preview, on libvips. Where libvips was built without its
// PDF loader nothing renders, and the preview offers to open the file instead. Main thread.
namespace PdfPages {

bool isAvailable();
// Nothing when the file is no readable PDF.
std::optional<int> pageCount(const std::string& path);
// Page `page` (from 0) with its larger side about `maxSide` pixels; a null image on failure.
QImage render(const std::string& path, int page, int maxSide);

}  // namespace PdfPages
}  // namespace brimly
