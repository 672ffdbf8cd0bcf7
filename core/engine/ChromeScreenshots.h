#pragma once

#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Url.h"

namespace brimly {

// Recognises the screenshots Claude's browser extension saves under the temporary-files folder, as
// <tmp>/claude-chrome-screenshots-XXXXXX/screenshot-<ms>-<n>.jpg (or .png). Pure file-system reads; any
// thread.
namespace ChromeScreenshots {

bool matches(const std::string& path);
// Screenshots in the extension's folders under `root` modified at or after `now - within`. Only folders
// that belong to this user and are writable by nobody else are looked into, and only regular files are
// taken: the temporary-files folder is shared, and anyone can make a folder with that name there.
std::vector<Url> files(const std::string& root, double within, Date now);

}  // namespace ChromeScreenshots
}  // namespace brimly
