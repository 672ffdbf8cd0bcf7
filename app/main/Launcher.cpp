#include "app/main/Launcher.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/shell/BuildInfo.h"
#include "app/shell/ControlSocket.h"
#include "cli/Commands.h"
#include "cli/WatchCommand.h"
#include "core/config/EngineConfig.h"
#include "core/platform/FileSystem.h"

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

}  // namespace

ShelfLocation locateShelf() {
    ShelfLocation shelf{.env = Env::process()};
    EngineConfig config =
        EngineConfig::make(Preferences::loadFile(Preferences::filePath(shelf.env)), shelf.env);
    shelf.support = config.paths.supportDir.filePath();
    std::string why;
    shelf.socket = controlSocketPath(shelf.env, shelf.support, &why);
    if (!shelf.socket) std::fprintf(stderr, "Brimly: no control socket: %s\n", why.c_str());
    return shelf;
}

namespace {

// A verb for the running app: its reply goes to stdout.
int sendToRunning(const std::string& request) {
    ShelfLocation shelf = locateShelf();
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

}  // namespace

int runCommand(const std::vector<std::string>& arguments) {
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

namespace {

// The program `name` in the folder of the running one; nothing when that folder cannot be known.
std::optional<std::string> programBeside(const std::string& name) {
    std::string self(4096, '\0');
    ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) return std::nullopt;
    self.resize(static_cast<std::size_t>(length));
    return FileSystem::parentPath(self) + "/" + name;
}

}  // namespace

int startDesktop(char** argv) {
    auto desktop = programBeside(desktopProgramName);
    if (desktop) ::execv(desktop->c_str(), argv);
    std::fprintf(stderr, "Brimly: cannot start the desktop app %s: %s; running the headless shelf instead.\n",
                 desktop.value_or(desktopProgramName).c_str(),
                 desktop ? std::strerror(errno) : "no program path");
    return cli::runWatch({}, Env::process(), stdout);
}

}  // namespace brimly
