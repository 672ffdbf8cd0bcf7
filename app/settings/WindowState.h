#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/base/Json.h"

namespace brimly {

// What the windows remember between runs ("preferencesPane", whether the welcome window was shown), kept as
// extra keys of the preferences file: saving the preferences keeps keys it does not own, and loading skips
// them.
namespace WindowState {

std::optional<std::string> text(const std::string& preferencesPath, std::string_view key);
bool flag(const std::string& preferencesPath, std::string_view key);
// Rewrites the file in one step with `key` set; a file that is no JSON object is left alone.
[[nodiscard]] std::error_code set(const std::string& preferencesPath, std::string_view key,
                                  const Json& value);

}  // namespace WindowState
}  // namespace brimly
