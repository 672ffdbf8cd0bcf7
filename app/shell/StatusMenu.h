#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/shelf/MenuItem.h"

namespace brimly {

// The tray icon's menu, built afresh each time it opens so that the unread count and a known update are
// current. Also holds what a tray app would otherwise put in a menu bar it does not have on Linux.
struct StatusMenu {
    struct Inputs {
        std::size_t unread = 0;
        // The version of a release the user has not installed yet.
        std::optional<std::string> updateVersion;
        bool hasFeedbackAddress = false;
        // Whether the program has its welcome window to show again.
        bool hasWelcome = false;
    };
    struct Actions {
        std::function<void()> showUpdate;
        std::function<void()> toggleShelf;
        std::function<void()> openSettings;
        std::function<void()> checkForUpdates;
        std::function<void()> sendFeedback;
        std::function<void()> about;
        std::function<void()> welcome;
        std::function<void()> quit;
    };

    static std::vector<MenuItem> build(const Inputs& inputs, const Actions& actions);
    static std::string showShelfTitle(std::size_t unread);
};

}  // namespace brimly
