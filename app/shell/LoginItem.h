#pragma once

#include <string>
#include <system_error>

#include "core/base/Env.h"

namespace brimly {

// Starting Brimly at login through an XDG autostart entry. The desktop's own settings switch the entry off by
// writing Hidden=true (or GNOME's X-GNOME-Autostart-enabled=false) into it, so the file's content, not its
// presence, says whether Brimly starts at login.
class LoginItem {
public:
    // $XDG_CONFIG_HOME/autostart/brimly.desktop, with ~/.config for an unset or relative XDG_CONFIG_HOME.
    static std::string path(const Environment& env);
    static bool isEnabled(const std::string& path);
    // Replaces the entry atomically with one that starts `executable` (an absolute path), creating the
    // folder.
    [[nodiscard]] static std::error_code enable(const std::string& path, const std::string& executable);
    // A missing entry is already disabled.
    [[nodiscard]] static std::error_code disable(const std::string& path);
};

}  // namespace brimly
