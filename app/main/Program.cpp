#include "app/main/Program.h"

#include <QApplication>
#include <cstdio>
#include <optional>

#include "app/drawer/DrawerController.h"
#include "app/main/Launcher.h"
#include "app/qt/QtMainQueue.h"
#include "app/settings/AppWindows.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/BuildInfo.h"
#include "app/shell/ControlSocket.h"
#include "app/x11/X11Display.h"
#include "cli/WatchCommand.h"
#include "core/base/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/platform/InstanceLock.h"

namespace brimly {

namespace {

int runDesktop(int argc, char** argv) {
    double startedAt = SystemClock::shared().uptime();
    ShelfLocation shelf = locateShelf();
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
        // Login starts this program directly: going through `brimly` would first load the image library's
        // hundred dependencies only to drop them, some 50 ms.
        std::string loginProgram = QApplication::applicationFilePath().toStdString();
        AppDelegate delegate(mainQueue, AppDelegate::Options{
                                            .env = shelf.env,
                                            .executable = loginProgram,
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
    if (argc <= 1) return runDesktop(argc, argv);
    return runCommand(std::vector<std::string>(argv + 1, argv + argc));
}

}  // namespace brimly
