#pragma once

#include <string>
#include <variant>

#include "core/base/Url.h"

namespace brimly {

// Recognises the folders a user picks in the settings: a Claude Code home (or its projects folder) and a
// scratchpad root. Reads the disk; nothing is cached.
namespace ClaudeFolder {

struct Home {
    Url url;
    bool operator==(const Home&) const = default;
};
struct NotClaude {
    bool operator==(const NotClaude&) const = default;
};
using Choice = std::variant<Home, NotClaude>;

// `home` of the picked folder when its "projects" folder holds anything, `home` of the parent when the
// user picked the projects folder itself, else `NotClaude`.
Choice resolve(const Url& url);

// The scratchpad root trust test: the path, with "." and ".." removed but links left alone, is a real
// directory (not a symbolic link) owned by the current user and not writable by group or others. The root
// lives in a world-shared area, so anything else could be someone else's planted folder.
bool isTrustedRoot(const std::string& path);

// A trusted root under which some project folder holds a session folder with a "scratchpad" folder.
bool isScratchRoot(const Url& url);

}  // namespace ClaudeFolder
}  // namespace brimly
