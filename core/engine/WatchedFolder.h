#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brimly {

// Which of the user's watched roots a path belongs to. Pure text over canonical paths.
namespace WatchedFolder {

// The longest root that contains `path` (a nested watched folder beats its parent; the first wins a tie).
std::optional<std::string> root(const std::string& path, const std::vector<std::string>& roots);

// Whether a file at `path` may be offered to the shelf as a watched file: it lies in one of `roots`, not
// inside `supportFolder` (a watched home folder would feed the shelf its own copies and thumbnails), and not
// below a hidden folder within its root, which the folder scan never enters either.
bool admits(const std::string& path, const std::vector<std::string>& roots, const std::string& supportFolder);

}  // namespace WatchedFolder
}  // namespace brimly
