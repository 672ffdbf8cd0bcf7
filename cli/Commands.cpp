#include "cli/Commands.h"

#include <cstdio>

#include "cli/PathsCommand.h"

namespace brimly::cli {

namespace {
void printUsage() {
    std::fprintf(stderr,
                 "usage: brimly <command>\n"
                 "commands:\n"
                 "  paths    print the folders Brimly reads and writes\n");
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
    std::fprintf(stderr, "Brimly: unknown command \"%s\"\n", arguments.front().c_str());
    printUsage();
    return 2;
}

}  // namespace brimly::cli
