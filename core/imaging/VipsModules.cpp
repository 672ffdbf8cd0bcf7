#include "core/imaging/VipsModules.h"

#include <fmt/format.h>
#include <gmodule.h>
#include <vips/vips.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace brimly::VipsModules {

namespace {

constexpr const char* prefixVariable = "VIPSHOME";
// libvips looks for its modules under the library folder it derives from this prefix; nothing is there.
constexpr const char* emptyPrefix = "/nonexistent/brimly-no-image-modules";

}  // namespace

bool keepOutAtStart(const char* argv0) {
    std::optional<std::string> previous;
    if (const char* value = std::getenv(prefixVariable)) previous = value;
    ::setenv(prefixVariable, emptyPrefix, 1);
    // libvips works out its library folder once and keeps it; `VIPS_INIT` later looks for modules there.
    std::string libdir = vips_guess_libdir(argv0, prefixVariable);
    if (previous) {
        ::setenv(prefixVariable, previous->c_str(), 1);
    } else {
        ::unsetenv(prefixVariable);
    }
    return libdir.starts_with(emptyPrefix);
}

bool has(const char* operation) { return vips_type_find("VipsOperation", operation) != 0; }

bool require(const char* operation, const char* module) {
    static std::mutex loading;
    // A module that would not open is not tried again for every file that asks for it.
    static std::set<std::string> tried;
    std::lock_guard lock(loading);
    if (has(operation)) return true;
    if (!tried.insert(module).second) return false;
    std::string path = fmt::format("{}/vips-modules-{}.{}/vips-{}.so", BRIMLY_VIPS_LIBDIR, vips_version(0),
                                   vips_version(1), module);
    // The module registers its operations as it opens and asks to stay resident; the handle is not needed.
    if (g_module_open(path.c_str(), G_MODULE_BIND_LAZY) == nullptr) return false;
    return has(operation);
}

}  // namespace brimly::VipsModules
