#include "cli/PathsCommand.h"

#include <string>

#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"

namespace brimly::cli {

int runPaths(const Environment& env, std::FILE* out) {
    // The preferences' folder choices are not read here yet; the environment and the defaults decide.
    BrimlyPaths paths = BrimlyPaths::resolve(env, std::nullopt, std::nullopt);
    auto pathOf = [](const Url& url) { return url.path().value_or(url.string()); };
    std::string projects = pathOf(paths.projectsRoot());
    const char* state = FileSystem::isDirectory(projects) ? "exists" : "missing";
    std::fprintf(out, "claudeHome: %s\n", pathOf(paths.claudeHome).c_str());
    std::fprintf(out, "projectsRoot: %s (%s)\n", projects.c_str(), state);
    std::fprintf(out, "scratchRoot: %s\n", pathOf(paths.scratchRoot).c_str());
    std::fprintf(out, "supportDir: %s\n", pathOf(paths.supportDir).c_str());
    std::fprintf(out, "chromeRoot: %s\n", pathOf(paths.chromeRoot).c_str());
    return std::fflush(out) == 0 ? 0 : 1;
}

}  // namespace brimly::cli
