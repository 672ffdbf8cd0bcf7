#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/Url.h"
#include "core/shelf/CompareMode.h"
#include "core/store/ShelfItem.h"

namespace brimly {

// The compare viewer's rules: which version is shown, how a pointer position maps to a version or a wipe
// position, and which version to stay on when the item's versions change. Indexes count from the oldest.
namespace CompareNavigation {

int step(int index, int delta, int count);
int version(double x, double width, int count);
double wipe(double x, double width);
CompareMode cycle(CompareMode mode, int delta);
// The oldest version has nothing before it to wipe against or subtract, so it is always stepped.
CompareMode effective(CompareMode mode, int index);
int follow(const std::optional<Url>& shown, bool wasNewest, const std::vector<Url>& versions);
// The item to keep comparing: the compared one while it exists, else the newest image captured from the
// same file in the same session (the file was rewritten and captured again).
std::optional<ShelfItem> target(const std::string& compared, const std::optional<std::string>& path,
                                const std::string& session, const std::vector<ShelfItem>& items);

}  // namespace CompareNavigation
}  // namespace brimly
