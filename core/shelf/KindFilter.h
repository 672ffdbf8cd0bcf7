#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/store/ShelfItemKind.h"

namespace brimly {

// The header's kind chips; several item kinds share one chip (pdf and document are both documents). The
// case order is the order of the chips.
enum class KindFilter { images, pages, documents, artifacts, video, audio, other };

namespace KindFilters {

inline constexpr std::array<KindFilter, 7> allCases = {
    KindFilter::images, KindFilter::pages, KindFilter::documents, KindFilter::artifacts,
    KindFilter::video,  KindFilter::audio, KindFilter::other};

std::string_view rawValue(KindFilter filter);
std::optional<KindFilter> fromRawValue(std::string_view raw);
std::string_view title(KindFilter filter);
KindFilter forKind(ShelfItemKind kind);

}  // namespace KindFilters
}  // namespace brimly
