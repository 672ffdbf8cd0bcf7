#pragma once

#include <string>

namespace brimly {

// Why a directory watcher sees less than it should, with a text for the user that names the system limit to
// raise when one is the cause.
struct WatchFailure {
    enum class Kind {
        // No inotify instance could be had: nothing is watched.
        instances,
        // The kernel refused a folder's watch: that folder is only seen by rescans.
        watches,
        // Reading the kernel's events failed: nothing is watched any more.
        reader,
    };
    Kind kind = Kind::reader;
    std::string text;

    bool operator==(const WatchFailure&) const = default;
};

}  // namespace brimly
