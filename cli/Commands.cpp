#include "cli/Commands.h"

#include <cstdio>

#include "cli/PathsCommand.h"
#include "cli/WatchCommand.h"

namespace brimly::cli {

namespace {
void printUsage() {
    std::fprintf(stderr,
                 "usage: brimly <command>\n"
                 "commands:\n"
                 "  paths                      print the folders Brimly reads and writes\n"
                 "  watch [--json]             follow Claude Code and print each item as it arrives\n"
                 "  list [--json] [--limit N]  print the saved shelf, grouped by session\n");
}
}  // namespace

int run(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        printUsage();
        return 2;
    }
    if (arguments.front() == "paths") {
        if (arguments.size() > 1) {
            std::fprintf(stderr, "Brimly: \"paths\" takes no arguments\n");
            return 2;
        }
        return runPaths(Env::process(), stdout);
    }
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (arguments.front() == "watch") return runWatch(rest, Env::process(), stdout);
    if (arguments.front() == "list") return runList(rest, Env::process(), stdout);
    std::fprintf(stderr, "Brimly: unknown command \"%s\"\n", arguments.front().c_str());
    printUsage();
    return 2;
}

}  // namespace brimly::cli
