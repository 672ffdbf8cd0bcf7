// Preferences loading from arbitrary file contents: never crashes, and what it loads saves and loads again
// to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/config/Preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    brimly::Preferences prefs = brimly::Preferences::load(text);
    if (brimly::Preferences::load(prefs.dictionary()) != prefs) std::abort();
    return 0;
}
