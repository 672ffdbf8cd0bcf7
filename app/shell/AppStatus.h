#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Json.h"

namespace brimly {

// What `brimly status` reports about the running program: what a user pastes into a bug report and what the
// desktop tests read instead of guessing from pixels.
struct AppStatus {
    std::string version;
    long pid = 0;
    std::size_t unread = 0;
    std::size_t itemsShown = 0;
    bool claudeFound = false;
    std::string shortcut;
    bool hotkeyRegistered = false;
    std::optional<std::string> hotkeyError;
    long hotkeyPresses = 0;
    bool launchAtLogin = false;
    std::optional<std::string> launchAtLoginError;
    bool trayAvailable = false;
    bool trayShown = false;
    std::vector<std::string> folders;
    // Problems the engine reported that have not been resolved, in the order they began.
    std::vector<std::string> problems;
    // The tray menu's titles as it would open now ("-" for a separator).
    std::vector<std::string> menu;
    // Seconds from the program's start to the first snapshot shown; absent until then.
    std::optional<double> firstSnapshotAfter;
    int engineGeneration = 0;
    Json drawer = Json::object();
    // Whether the settings and the welcome window are on screen.
    bool settingsShown = false;
    bool welcomeShown = false;

    Json json() const;
    std::string text() const;
};

}  // namespace brimly
