#include "app/main/Program.h"

#include <QApplication>
#include <cstdio>
#include <optional>

#include "app/drawer/DrawerController.h"
#include "app/qt/QtMainQueue.h"
#include "app/settings/AppWindows.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/BuildInfo.h"
#include "app/shell/ControlSocket.h"
#include "app/x11/X11Display.h"
#include "cli/Commands.h"
#include "cli/WatchCommand.h"
#include "core/base/Clock.h"
#include "core/base/Env.h"
#include "core/config/EngineConfig.h"
#include "core/platform/FileSystem.h"
#include "core/platform/InstanceLock.h"

namespace brimly {

namespace {

constexpr const char* helpText =
    "Brimly keeps a shelf of what Claude Code makes and looks at.\n"
    "\n"
    "usage: brimly [command]\n"
    "  (no command)         start the desktop app (the headless shelf where there is no X display)\n"
    "  toggle               open or close the running app's drawer (bind it to a desktop shortcut)\n"
    "  settings             open the running app's settings\n"
    "  status [--json]      print the running app's state\n"
    "  quit                 save the shelf and quit the running app\n"
    "  watch [--json]       follow Claude Code without a window and print each item as it arrives\n"
    "  list [--json] [--limit N]  print the saved shelf, grouped by session\n"
    "  paths                print the folders Brimly reads and writes\n"
    "  --version, --help\n"
    "\n"
    "environment:\n"
    "  BRIMLY_CLAUDE_HOME   Claude Code's home folder (default ~/.claude)\n"
    "  BRIMLY_SCRATCH_ROOT  root of the per-session scratchpads (default /tmp/claude-<uid>)\n"
    "  BRIMLY_SUPPORT_DIR   Brimly's own data (default $XDG_DATA_HOME/brimly)\n"
    "  BRIMLY_RETENTION_DAYS, BRIMLY_MAX_ITEMS, BRIMLY_VERSIONS  override the settings\n"
    "  BRIMLY_MOTION_SCALE  multiplies animation times (0.05 to 20)\n"
    "  BRIMLY_LOG_PRIVATE=1 write paths into the log instead of <private>\n"
    "\n"
    "files:\n"
    "  settings             $XDG_CONFIG_HOME/brimly/preferences.json (default ~/.config)\n"
    "  launch at login      $XDG_CONFIG_HOME/autostart/brimly.desktop\n"
    "  the shelf            the support folder: index.json, items/, thumbs/\n";

struct Shelf {
    Environment env;
    std::string support;
    std::optional<std::string> socket;
};

Shelf locate() {
    Shelf shelf{.env = Env::process()};
    Engine::Config config =
        EngineConfig::make(Preferences::loadFile(Preferences::filePath(shelf.env)), shelf.env);
    shelf.support = config.paths.supportDir.filePath();
    std::string why;
    shelf.socket = controlSocketPath(shelf.env, shelf.support, &why);
    if (!shelf.socket) std::fprintf(stderr, "Brimly: no control socket: %s\n", why.c_str());
    return shelf;
}

// A verb for the running app: its reply goes to stdout.
int sendToRunning(const std::string& request) {
    Shelf shelf = locate();
    if (!shelf.socket) return 1;
    auto reply = ControlClient::send(*shelf.socket, request, 5.0);
    switch (reply.outcome) {
        case ControlClient::Reply::Outcome::answered:
            std::fputs(reply.text.c_str(), stdout);
            return 0;
        case ControlClient::Reply::Outcome::notRunning:
            std::fprintf(stderr, "Brimly: the desktop app is not running\n");
            return 1;
        case ControlClient::Reply::Outcome::failed:
            break;
    }
    std::fprintf(stderr, "Brimly: the running app did not answer: %s\n", reply.text.c_str());
    return 1;
}

int runDesktop(int argc, char** argv) {
    double startedAt = SystemClock::shared().uptime();
    Shelf shelf = locate();
    // Launched again while running: the running app opens its settings and this one is done.
    if (shelf.socket) {
        auto reply = ControlClient::send(*shelf.socket, "reopen", 5.0);
        if (reply.outcome == ControlClient::Reply::Outcome::answered) return 0;
    }
    std::string why;
    if (!X11Display::usable("", &why)) {
        std::fprintf(stderr, "Brimly: no X display; running the headless shelf instead (brimly watch).\n");
        return cli::runWatch({}, shelf.env, stdout);
    }
    if (!FileSystem::createDirectories(shelf.support)) {
        std::fprintf(stderr, "Brimly: cannot create the support folder %s\n", shelf.support.c_str());
        return 1;
    }
    std::string lockError;
    auto lock = InstanceLock::acquire(shelf.support, &lockError);
    if (!lock) {
        std::string reason =
            lockError.empty() ? "another Brimly is already using " + shelf.support : lockError;
        std::fprintf(stderr, "Brimly: %s\n", reason.c_str());
        return 1;
    }
    std::unique_ptr<ControlServer> control;
    if (shelf.socket) {
        control = ControlServer::listen(*shelf.socket, &why);
        if (!control)
            std::fprintf(stderr, "Brimly: brimly toggle, settings and status will not reach this app: %s\n",
                         why.c_str());
    }

    // Everything on screen is X11 (key grabs, window types, input shapes), so under a Wayland session the app
    // is an X client of the desktop's X server too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName("Brimly");
    QApplication::setApplicationVersion(BuildInfo::version);
    QApplication::setDesktopFileName("brimly");
    QtMainQueue mainQueue;
    auto makeDrawer = [&mainQueue, &shelf](ShelfModel& model,
                                           AppSettings& settings) -> std::unique_ptr<DrawerPort> {
        std::string problem;
        auto drawer = DrawerController::make(mainQueue, model, settings, ShelfModel::motionScale(shelf.env),
                                             "", DrawerController::isWaylandSession(shelf.env), &problem);
        if (!drawer) {
            std::fprintf(stderr, "Brimly: the drawer cannot be shown: %s\n", problem.c_str());
            return drawer;
        }
        drawer->setItemCommands(std::make_unique<ItemCommands>(
            model, ItemCommands::Options{.supportDir = shelf.support,
                                         .preferences = [&settings] { return settings.prefs(); }}));
        return drawer;
    };
    auto makeWindows = [&shelf](AppSettings& settings,
                                SettingsPort::Actions actions) -> std::unique_ptr<SettingsPort> {
        return std::make_unique<AppWindows>(settings, shelf.env, std::move(actions));
    };
    int status = 0;
    {
        AppDelegate delegate(mainQueue, AppDelegate::Options{
                                            .env = shelf.env,
                                            .executable = QApplication::applicationFilePath().toStdString(),
                                            .control = std::move(control),
                                            .displayName = "",
                                            .startedAt = startedAt,
                                            .makeDrawer = makeDrawer,
                                            .makeWindows = makeWindows,
                                        });
        delegate.launch();
        status = QApplication::exec();
    }
    mainQueue.shutdown();
    return status;
}

}  // namespace

int runProgram(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return runDesktop(argc, argv);
    const std::string& verb = arguments.front();
    if (verb == "--version") {
        std::printf("Brimly %s\n", BuildInfo::version);
        return 0;
    }
    if (verb == "--help" || verb == "-h" || verb == "help") {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (verb == "toggle" || verb == "settings" || verb == "quit") {
        if (arguments.size() > 1) {
            std::fprintf(stderr, "Brimly: \"%s\" takes no arguments\n", verb.c_str());
            return 2;
        }
        return sendToRunning(verb);
    }
    if (verb == "status") {
        if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1] != "--json")) {
            std::fprintf(stderr, "Brimly: \"status\" takes only --json\n");
            return 2;
        }
        return sendToRunning(arguments.size() == 2 ? "status --json" : "status");
    }
    return cli::run(arguments);
}

}  // namespace brimly
