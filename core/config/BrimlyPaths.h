#pragma once

#include <optional>
#include <string>

#include "core/base/Env.h"
#include "core/base/Url.h"

namespace brimly {

// The folders the program reads and writes, resolved once from the environment and the user's choices:
// environment overrides win over preferences, which win over the Linux defaults.
struct BrimlyPaths {
    Url claudeHome;
    Url scratchRoot;
    Url supportDir;
    Url chromeRoot;

    // Always `claudeHome` + "projects", whether or not it exists.
    Url projectsRoot() const { return claudeHome.appending("projects"); }

    // `claudeHome` and `scratchRoot` are the preference values; absent or empty means no choice.
    static BrimlyPaths resolve(const Environment& env, const std::optional<std::string>& claudeHome,
                               const std::optional<std::string>& scratchRoot);
    // The defaults, ignoring every "BRIMLY_" override and every user choice. The platform's own variables
    // (HOME, XDG_DATA_HOME, TMPDIR) still count: they are where this user's defaults live.
    static BrimlyPaths standard(const Environment& env);

    // "BRIMLY_SCRATCH_ROOT" when set, else "/tmp/claude-<uid>": where Claude Code keeps scratchpads.
    static std::string defaultScratchRoot(const Environment& env);
    // $HOME from `env` when absolute, else the account's home folder.
    static std::string homeFolder(const Environment& env);
    // A user-given path made absolute: a leading "~" is the home folder, a relative path is taken from the
    // working folder, and "." / ".." / repeated slashes are removed without resolving links.
    static std::string absolutePath(const std::string& path, const Environment& env);
    // Removes ".", ".." and repeated or trailing slashes from an absolute path, without touching the disk,
    // so that a symbolic link stays a link.
    static std::string standardizedPath(const std::string& path);
    // The real path (links, ".", "..") when it can be resolved, else `path` unchanged.
    static std::string canonicalPath(const std::string& path);
    // The canonical form of the longest existing ancestor of an absolute path, with the missing components
    // appended again: what a watcher over a folder that may not exist yet is given.
    static std::string canonicalThroughExistingAncestor(const std::string& path);
    // How watched-folder roots are compared: "~" expanded, then canonical.
    static std::string canonicalRoot(const std::string& path, const Environment& env);

    bool operator==(const BrimlyPaths&) const = default;
};

}  // namespace brimly
