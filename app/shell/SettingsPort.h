#pragma once

#include <functional>

namespace brimly {

// What the application shell asks of its windows: the settings window and the welcome window. The shell
// calls these from the tray menu, the control socket and start-up; the settings library fills them in.
class SettingsPort {
public:
    // What the windows ask of the shell.
    struct Actions {
        std::function<void()> quit;
        // Empty when the build has no update feed: "Check for Updates…" is then left out.
        std::function<void()> checkForUpdates;
    };

    virtual ~SettingsPort() = default;

    // Shows the settings window on its remembered pane and brings it to the front.
    virtual void showSettings() = 0;
    virtual void showAbout() = 0;
    // Opens the settings on the folders and asks for a folder to watch.
    virtual void chooseWatchedFolder() = 0;
    virtual void showWelcome() = 0;
    // Shows the welcome window when the program has never shown it before.
    virtual void started() = 0;
    virtual bool isSettingsVisible() const = 0;
    virtual bool isWelcomeVisible() const = 0;
};

}  // namespace brimly
