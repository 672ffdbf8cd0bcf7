#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/base/Env.h"

namespace brimly::cli {

// "watch [--json]": runs the engine on the real folders until SIGINT or SIGTERM and prints what arrives;
// problems go to `err`. 1 when the shelf could not be saved at the end.
int runWatch(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out,
             std::FILE* err = stderr);
// "list [--json] [--limit N]": prints the saved shelf, read-only.
int runList(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out);

}  // namespace brimly::cli
