#pragma once

#include <string>
#include <vector>

namespace brimly {

// The `brimly` program: the desktop app without arguments (the headless shelf where there is no X
// display), the verbs that reach a running app through its control socket, and the headless commands.
// Returns the process exit status.
int runProgram(int argc, char** argv);

}  // namespace brimly
