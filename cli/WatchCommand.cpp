#include "cli/WatchCommand.h"

#include <signal.h>

#include <charconv>
#include <optional>

#include "cli/ShelfPrinter.h"
#include "core/base/Clock.h"
#include "core/base/ThreadQueue.h"
#include "core/config/EngineConfig.h"
#include "core/config/Preferences.h"
#include "core/engine/EngineHost.h"
#include "core/platform/FileSystem.h"
#include "core/platform/InstanceLock.h"
#include "core/store/StoreIndex.h"

namespace brimly::cli {

namespace {

Preferences loadPreferences(const Environment& env) {
    return Preferences::loadFile(Preferences::filePath(env));
}

// One line per source, so that an empty shelf is not a mystery.
void printFollowed(std::FILE* out, const Engine::Config& config) {
    auto line = [out](const char* what, const std::string& path) {
        std::fprintf(out, "Following %s%s\n", what, terminalSafe(path).c_str());
    };
    line("Claude Code's transcripts in ", config.paths.projectsRoot().filePath());
    line("scratchpads in ", config.paths.scratchRoot.filePath());
    line("browser screenshots in ", config.paths.chromeRoot.filePath());
    for (const std::string& folder : config.watchedFolders) line("the watched folder ", folder);
    std::fflush(out);
}
}  // namespace

int runWatch(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out,
             std::FILE* err) {
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else {
            std::fprintf(err, "Brimly: unknown option \"%s\" for \"watch\"\n", argument.c_str());
            return 2;
        }
    }
    Engine::Config config = EngineConfig::make(loadPreferences(env), env);
    std::string support = config.paths.supportDir.filePath();
    if (!FileSystem::createDirectories(support)) {
        std::fprintf(err, "Brimly: cannot create the support folder %s\n", terminalSafe(support).c_str());
        return 1;
    }
    std::string lockError;
    auto lock = InstanceLock::acquire(support, &lockError);
    if (!lock) {
        std::string reason = lockError.empty() ? "another Brimly is already using " + support : lockError;
        std::fprintf(err, "Brimly: %s\n", terminalSafe(reason).c_str());
        return 1;
    }

    // Blocked before any thread starts, so every thread inherits the mask and only sigwait sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const Clock& clock = SystemClock::shared();
    ArrivalPrinter printer(out, json, !config.watchedFolders.empty());
    printFollowed(json ? err : out, config);
    ThreadQueue mainQueue("main");
    Engine::Handlers handlers{
        .onSnapshot =
            [&printer, &clock](std::shared_ptr<const Snapshot> snapshot) {
                printer.snapshot(*snapshot, clock.now());
            },
        .onClaudeFound = [&printer](bool found) { printer.claudeFound(found); },
        .onStatus =
            [err](const EngineStatus& status) {
                std::fprintf(err, "Brimly: %s\n", terminalSafe(status.text).c_str());
                std::fflush(err);
            },
    };
    bool saved = false;
    {
        EngineHost host(config, clock, mainQueue, std::move(handlers));
        host.start(true);
        int received = 0;
        sigwait(&signals, &received);
        saved = host.stop();
    }
    // What the engine posted before it stopped (its last snapshot, a failed save) is printed before exit.
    mainQueue.drain();
    if (!saved) {
        std::fprintf(err, "Brimly: the shelf could not be saved in %s; what this run captured is lost\n",
                     terminalSafe(support).c_str());
        std::fflush(err);
        return 1;
    }
    return 0;
}

int runList(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out) {
    bool json = false;
    std::optional<long> limit;
    for (std::size_t n = 0; n < arguments.size(); ++n) {
        const std::string& argument = arguments[n];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--limit" && n + 1 < arguments.size()) {
            const std::string& value = arguments[++n];
            long parsed = 0;
            auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
            if (error != std::errc() || end != value.data() + value.size() || parsed < 1) {
                std::fprintf(stderr, "Brimly: --limit takes a positive whole number, not \"%s\"\n",
                             value.c_str());
                return 2;
            }
            limit = parsed;
        } else {
            std::fprintf(stderr, "Brimly: unknown option \"%s\" for \"list\"\n", argument.c_str());
            return 2;
        }
    }
    Engine::Config config = EngineConfig::make(loadPreferences(env), env);
    std::string indexPath = FileSystem::join(config.paths.supportDir.filePath(), "index.json");
    if (!FileSystem::exists(indexPath)) {
        if (!json) std::fprintf(out, "The shelf is empty (no index at %s).\n", indexPath.c_str());
        return 0;
    }
    std::vector<ShelfItem> items;
    auto index =
        StoreIndex::decodeFile(indexPath, [&items](ShelfItem&& item) { items.push_back(std::move(item)); });
    if (!index) {
        std::fprintf(stderr, "Brimly: the index %s cannot be read\n", indexPath.c_str());
        return 1;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const ShelfItem& a, const ShelfItem& b) { return a.createdAt > b.createdAt; });
    std::size_t shown = limit ? std::min(items.size(), static_cast<std::size_t>(*limit)) : items.size();
    items.resize(shown);
    if (items.empty() && !json) std::fprintf(out, "The shelf is empty.\n");
    ShelfPrinter(out, json).printGrouped(items, index->sessions, SystemClock::shared().now());
    return std::fflush(out) == 0 ? 0 : 1;
}

}  // namespace brimly::cli
