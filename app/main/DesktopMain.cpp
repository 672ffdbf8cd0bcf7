#include "app/main/Program.h"
#include "core/platform/ProcessMemory.h"
#include "core/store/ImageModules.h"

int main(int argc, char** argv) {
    brimly::ProcessMemory::configure();
    brimly::ImageModules::keepOutAtStart(argv[0]);
    return brimly::runProgram(argc, argv);
}
