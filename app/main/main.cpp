#include "app/main/Launcher.h"
#include "core/platform/ProcessMemory.h"

int main(int argc, char** argv) {
    brimly::ProcessMemory::configure();
    if (argc <= 1) return brimly::startDesktop(argv);
    return brimly::runCommand(std::vector<std::string>(argv + 1, argv + argc));
}
