#pragma once

#include <functional>

namespace brimly {

// What the shelf's menus ask of the application shell; the model only calls them. Any may be empty, and an
// empty one does nothing.
struct ShelfCommands {
    std::function<void()> settings;
    std::function<void()> checkForUpdates;
    std::function<void()> feedback;
    // Start choosing a folder to watch.
    std::function<void()> watchFolder;
    std::function<void()> quit;
};

}  // namespace brimly
