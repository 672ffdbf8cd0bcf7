#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/Env.h"

namespace brimly {

// The `brimly` program without the desktop app: its help, the verbs that reach a running app through its
// control socket, and the headless commands. It links no windowing library, so `watch` and `list` stay
// small; without arguments it hands over to the desktop program installed beside it.

// The desktop program's file name, beside `brimly`.
inline constexpr const char* desktopProgramName = "brimly-desktop";

// This user's shelf and the control socket of the app running on it.
struct ShelfLocation {
    Environment env;
    std::string support;
    std::optional<std::string> socket;
};
ShelfLocation locateShelf();

// `brimly` with these (non-empty) arguments; returns the process exit status.
int runCommand(const std::vector<std::string>& arguments);

// `brimly` without arguments: becomes the desktop program, or, where that cannot start, runs the headless
// shelf. Returns only in the second case.
int startDesktop(char** argv);

}  // namespace brimly
