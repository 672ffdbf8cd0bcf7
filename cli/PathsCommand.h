#pragma once

#include <cstdio>

#include "core/base/Env.h"

namespace brimly::cli {

// `brimly paths`: prints the resolved folders after the environment overrides, one "name: value" per line.
int runPaths(const Environment& env, std::FILE* out);

}  // namespace brimly::cli
