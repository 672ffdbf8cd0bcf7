#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/base/Env.h"

namespace brimly::cli {

// "watch [--json]": runs the engine on the real folders until SIGINT or SIGTERM and prints what arrives.
int runWatch(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out);
// "list [--json] [--limit N]": prints the saved shelf, read-only.
int runList(const std::vector<std::string>& arguments, const Environment& env, std::FILE* out);

}  // namespace brimly::cli
