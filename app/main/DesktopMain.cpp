#include "app/main/Program.h"
#include "core/platform/ProcessMemory.h"

int main(int argc, char** argv) {
    brimly::ProcessMemory::configure();
    return brimly::runProgram(argc, argv);
}
