#include "core/shelf/SessionGroup.h"

namespace brimly {

std::vector<ShelfItem> SessionGroup::items() const {
    std::size_t count = 0;
    for (const auto& turn : turns) count += turn.items.size();
    std::vector<ShelfItem> result;
    result.reserve(count);
    for (const auto& turn : turns) result.insert(result.end(), turn.items.begin(), turn.items.end());
    return result;
}

}  // namespace brimly
