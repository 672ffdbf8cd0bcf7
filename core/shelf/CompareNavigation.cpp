#include "core/shelf/CompareNavigation.h"

#include <algorithm>
#include <cmath>

namespace brimly::CompareNavigation {

int step(int index, int delta, int count) {
    if (count < 1) return 0;
    // Widened so that extreme deltas cannot overflow before the clamp.
    long long moved = static_cast<long long>(index) + delta;
    return static_cast<int>(std::clamp(moved, 0LL, static_cast<long long>(count) - 1));
}

int version(double x, double width, int count) {
    if (!std::isfinite(x) || !(width > 0) || count < 1) return 0;
    double slot = std::floor(count * x / width);
    // Clamp as a double first: an enormous x must not overflow the conversion to int.
    return static_cast<int>(std::clamp(slot, 0.0, static_cast<double>(count - 1)));
}

double wipe(double x, double width) {
    if (!std::isfinite(x) || !(width > 0)) return 0.5;
    return std::clamp(x / width, 0.0, 1.0);
}

CompareMode cycle(CompareMode mode, int delta) {
    constexpr int count = static_cast<int>(CompareModes::allCases.size());
    int raw = (CompareModes::rawValue(mode) + delta % count + count) % count;
    return CompareModes::allCases[static_cast<std::size_t>(raw)];
}

CompareMode effective(CompareMode mode, int index) { return index > 0 ? mode : CompareMode::step; }

int follow(const std::optional<Url>& shown, bool wasNewest, const std::vector<Url>& versions) {
    if (versions.empty()) return 0;
    if (wasNewest) return static_cast<int>(versions.size()) - 1;
    if (!shown) return 0;
    auto found = std::ranges::find(versions, *shown);
    return found == versions.end() ? 0 : static_cast<int>(found - versions.begin());
}

std::optional<ShelfItem> target(const std::string& compared, const std::optional<std::string>& path,
                                const std::string& session, const std::vector<ShelfItem>& items) {
    auto same = std::ranges::find(items, compared, &ShelfItem::id);
    if (same != items.end()) return *same;
    if (!path) return std::nullopt;
    const ShelfItem* latest = nullptr;
    for (const auto& item : items) {
        if (item.sourcePath != path || item.sessionID != session || item.kind != ShelfItemKind::image)
            continue;
        if (!latest || item.createdAt > latest->createdAt) latest = &item;
    }
    if (!latest) return std::nullopt;
    return *latest;
}

}  // namespace brimly::CompareNavigation
