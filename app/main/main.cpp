#include "app/main/Program.h"

int main(int argc, char** argv) { return brimly::runProgram(argc, argv); }
