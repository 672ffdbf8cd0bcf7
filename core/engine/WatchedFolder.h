#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brimly {

// Which of the user's watched roots a path belongs to. Pure text over canonical paths.
namespace WatchedFolder {

// The longest root that contains `path` (a nested watched folder beats its parent; the first wins a tie).
std::optional<std::string> root(const std::string& path, const std::vector<std::string>& roots);

}  // namespace WatchedFolder
}  // namespace brimly
