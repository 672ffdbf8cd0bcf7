#pragma once

namespace brimly {

// The desktop program: the desktop app without arguments (the headless shelf where there is no X display),
// and with arguments whatever `brimly` does with them. Returns the process exit status.
int runProgram(int argc, char** argv);

}  // namespace brimly
