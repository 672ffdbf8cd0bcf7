#pragma once

#include <optional>
#include <string>

#include "core/store/Imaging.h"

namespace brimly::VipsPdf {

// Each loads the poppler module first; nothing when it is missing or the file is no readable PDF.
std::optional<int> pageCount(const std::string& path);
std::optional<RgbaPixels> render(const std::string& path, int page, int maxSide);

}  // namespace brimly::VipsPdf
