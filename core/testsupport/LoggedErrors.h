#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/base/Log.h"

namespace brimly::testing {

// The error lines every Log in the process wrote while `action` ran.
inline std::vector<std::string> errorsLoggedBy(const std::function<void()>& action) {
    std::vector<std::string> lines;
    Log::ScopedSink sink([&](Log::Level level, std::string_view, std::string_view message) {
        if (level == Log::Level::error) lines.emplace_back(message);
    });
    action();
    return lines;
}

}  // namespace brimly::testing
