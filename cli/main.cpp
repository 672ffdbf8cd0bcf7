#include <cstdio>
#include <string>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return brimly::cli::run(arguments);
}
