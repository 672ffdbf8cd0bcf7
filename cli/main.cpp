#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "core/platform/ProcessMemory.h"

int main(int argc, char** argv) {
    brimly::ProcessMemory::configure();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return brimly::cli::run(arguments);
}
