#include "app/settings/FolderChoice.h"

#include <algorithm>
#include <variant>

#include "core/config/BrimlyPaths.h"
#include "core/config/ClaudeFolder.h"

namespace brimly::FolderChoice {

namespace {

constexpr const char* sessionsNoticeToWatch =
    "Choose the folder Claude Code keeps its sessions in (~/.claude, or its projects folder), or add this "
    "one "
    "under Watched folders.";
constexpr const char* sessionsNoticeWatched =
    "Choose the folder Claude Code keeps its sessions in (~/.claude), the one with a projects folder inside.";
constexpr const char* scratchNoticeToWatch =
    "Choose the folder Claude Code keeps its scratchpads in, or add this one under Watched folders.";
constexpr const char* scratchNoticeWatched = "Choose the folder Claude Code keeps its scratchpads in.";

// Suggesting "add this one under Watched folders" makes no sense for a folder already watched.
bool isWatched(const Preferences& prefs, const std::string& path, const Environment& env) {
    std::string root = BrimlyPaths::canonicalRoot(path, env);
    return std::any_of(
        prefs.watchedFolders.begin(), prefs.watchedFolders.end(),
        [&](const std::string& watched) { return BrimlyPaths::canonicalRoot(watched, env) == root; });
}

std::optional<std::string> setVariable(const char* name, const Environment& env) {
    auto value = Env::string(name, env);
    if (!value || value->empty()) return std::nullopt;
    return std::string(name);
}

}  // namespace

std::error_code useSessions(AppSettings& settings, const std::string& path, const Environment& env) {
    std::string chosen = BrimlyPaths::standardizedPath(path);
    auto choice = ClaudeFolder::resolve(Url::fromPath(chosen));
    if (const auto* home = std::get_if<ClaudeFolder::Home>(&choice)) {
        settings.setSessionsNotice(std::nullopt);
        return settings.edit([&](Preferences& prefs) { prefs.claudeHome = home->url.filePath(); });
    }
    bool watched = isWatched(settings.prefs(), chosen, env);
    settings.setSessionsNotice(watched ? sessionsNoticeWatched : sessionsNoticeToWatch);
    return settings.edit([&](Preferences& prefs) { prefs.claudeHome = chosen; });
}

std::error_code useScratch(AppSettings& settings, const std::string& path, const Environment& env) {
    std::string chosen = BrimlyPaths::standardizedPath(path);
    if (ClaudeFolder::isScratchRoot(Url::fromPath(chosen))) {
        settings.setScratchNotice(std::nullopt);
    } else {
        bool watched = isWatched(settings.prefs(), chosen, env);
        settings.setScratchNotice(watched ? scratchNoticeWatched : scratchNoticeToWatch);
    }
    return settings.edit([&](Preferences& prefs) { prefs.scratchRoot = chosen; });
}

std::error_code useDefaultSessions(AppSettings& settings) {
    settings.setSessionsNotice(std::nullopt);
    return settings.edit([](Preferences& prefs) { prefs.claudeHome.reset(); });
}

std::error_code useDefaultScratch(AppSettings& settings) {
    settings.setScratchNotice(std::nullopt);
    return settings.edit([](Preferences& prefs) { prefs.scratchRoot.reset(); });
}

std::error_code addWatched(AppSettings& settings, const std::string& path, const Environment& env) {
    if (isWatched(settings.prefs(), path, env)) return {};
    std::string chosen = BrimlyPaths::standardizedPath(path);
    return settings.edit([&](Preferences& prefs) { prefs.watchedFolders.push_back(chosen); });
}

std::string sessionsFolder(const Preferences& prefs, const Environment& env) {
    return BrimlyPaths::resolve(env, prefs.claudeHome, prefs.scratchRoot).claudeHome.filePath();
}

std::string scratchFolder(const Preferences& prefs, const Environment& env) {
    return BrimlyPaths::resolve(env, prefs.claudeHome, prefs.scratchRoot).scratchRoot.filePath();
}

std::optional<std::string> sessionsOverride(const Environment& env) {
    return setVariable("BRIMLY_CLAUDE_HOME", env);
}

std::optional<std::string> scratchOverride(const Environment& env) {
    return setVariable("BRIMLY_SCRATCH_ROOT", env);
}

}  // namespace brimly::FolderChoice
