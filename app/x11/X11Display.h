#pragma once

#include <string>

namespace brimly {

// Whether an X server answers, asked once at start-up to choose between the desktop app and the headless
// fallback. Every connection problem becomes a sentence for the user instead of a crash or a hang.
class X11Display {
public:
    // An empty name means $DISPLAY. On false, `why` (when given) says what went wrong.
    static bool usable(const std::string& displayName, std::string* why);
    // The sentence for xcb's connection error `code` (what xcb_connection_has_error returned) on
    // `displayName` (empty: $DISPLAY).
    static std::string connectionProblem(int code, const std::string& displayName);
};

}  // namespace brimly
