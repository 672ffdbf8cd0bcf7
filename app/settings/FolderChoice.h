#pragma once

#include <optional>
#include <string>

#include "app/shell/AppSettings.h"
#include "core/base/Env.h"

namespace brimly {

// What a folder the user picked in the settings or the welcome window means for the preferences. A folder
// that is not the kind asked for is still stored, since the user may know better (a Claude Code that has not
// run yet), and the notice under its row says what was expected.
namespace FolderChoice {

// The Claude home, or the home above a picked projects folder, or else the folder as picked with the
// sessions notice.
[[nodiscard]] std::error_code useSessions(AppSettings& settings, const std::string& path,
                                          const Environment& env);
[[nodiscard]] std::error_code useScratch(AppSettings& settings, const std::string& path,
                                         const Environment& env);
[[nodiscard]] std::error_code useDefaultSessions(AppSettings& settings);
[[nodiscard]] std::error_code useDefaultScratch(AppSettings& settings);
// Adds the folder to the watched folders unless it is one of them already (compared as canonical paths).
[[nodiscard]] std::error_code addWatched(AppSettings& settings, const std::string& path,
                                         const Environment& env);

// The folder a row shows: the preference, else the environment's or the standard default.
std::string sessionsFolder(const Preferences& prefs, const Environment& env);
std::string scratchFolder(const Preferences& prefs, const Environment& env);
// The variable that decides the folder instead of the preference, when it is set.
std::optional<std::string> sessionsOverride(const Environment& env);
std::optional<std::string> scratchOverride(const Environment& env);

}  // namespace FolderChoice
}  // namespace brimly
