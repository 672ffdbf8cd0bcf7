#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shelf/ShelfModel.h"
#include "app/shell/AppSettings.h"
#include "app/shell/AppStatus.h"
#include "app/shell/DrawerPort.h"
#include "app/shell/EngineRunner.h"
#include "app/shell/SettingsPort.h"
#include "core/base/Env.h"
#include "core/engine/EngineStatus.h"

class QFileSystemWatcher;
class QSocketNotifier;

namespace brimly {

class ControlServer;
class QtMainQueue;
class SignalNotifier;
class TrayIcon;
class X11HotKey;

// The desktop program's shell: starts everything in its fixed order, reacts to preference changes, owns the
// tray icon, the global hot key, the login item and the control socket, and flushes the shelf on the way out.
// Main thread only.
class AppDelegate final : public QObject {
public:
    struct Options {
        Environment env;
        // The program the login item starts.
        std::string executable;
        // Where the control socket listens; none when no safe folder exists.
        std::unique_ptr<ControlServer> control;
        // The X display the hot key grabs keys on ("" = $DISPLAY).
        std::string displayName;
        // When the program started (steady seconds), for the start-up time in the status.
        double startedAt = 0;
        // Builds the drawer over the shelf model once it exists; absent or empty, the drawer stays inert.
        std::function<std::unique_ptr<DrawerPort>(ShelfModel&, AppSettings&)> makeDrawer;
        // Builds the settings and welcome windows; absent or empty, the settings open as a file in the
        // desktop's editor.
        std::function<std::unique_ptr<SettingsPort>(AppSettings&, SettingsPort::Actions)> makeWindows;
    };

    AppDelegate(QtMainQueue& mainQueue, Options options);
    ~AppDelegate() override;

    void launch();
    // Launched again while running: the drawer closes and the settings open.
    void reopen();
    void openSettings();
    void toggleShelf();
    // Commits a pending removal, stops the engine and leaves the event loop: status 0 once the store is on
    // disk, 1 when it could not be written.
    void quit();
    // Answers one request of the control socket.
    std::string answer(std::string_view request);
    AppStatus status();

    // Called when the event loop is left some other way (the session manager): the same flush, waited for.
    void flushNow();

private:
    void syncLoginItem();
    void closeItemWindows() {
        if (m_drawer) m_drawer->closeItemWindows();
    }
    void preferencesChanged(const Preferences& now, const Preferences& before);
    void registerHotKey();
    void engineStatus(const EngineStatus& status);
    void watchPreferencesFile();
    std::vector<MenuItem> statusMenu();

    QtMainQueue& m_mainQueue;
    Options m_options;
    AppSettings m_settings;
    std::unique_ptr<ShelfModel> m_model;
    std::unique_ptr<EngineRunner> m_runner;
    std::unique_ptr<DrawerPort> m_drawer;
    std::unique_ptr<X11HotKey> m_hotkey;
    std::unique_ptr<QSocketNotifier> m_hotkeyNotifier;
    bool m_hotkeyRegistered = false;
    long m_hotkeyPresses = 0;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<SettingsPort> m_windows;
    std::unique_ptr<QSocketNotifier> m_controlNotifier;
    std::unique_ptr<SignalNotifier> m_signals;
    std::unique_ptr<QFileSystemWatcher> m_preferencesWatch;
    bool m_syncingLoginItem = false;
    // Problems the engine reported and not yet resolved, by kind, in the order they began.
    std::vector<EngineStatus> m_problems;
    // Seconds from the program's start to the first snapshot shown.
    std::optional<double> m_firstSnapshotAfter;
    bool m_quitting = false;
    bool m_flushed = false;
};

}  // namespace brimly
