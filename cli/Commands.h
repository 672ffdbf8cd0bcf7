#pragma once

#include <string>
#include <vector>

namespace brimly::cli {

// Runs one command of the headless program and returns the process exit status.
int run(const std::vector<std::string>& arguments);

}  // namespace brimly::cli
