#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/Env.h"
#include "core/base/Url.h"
#include "core/engine/ScratchFile.h"

namespace brimly {

// Lists what Claude Code left in the scratchpads under a per-user root in the shared temporary area:
// root / slug / session / "scratchpad" / file. The root is used only while it passes the trust test, since
// anyone can create folders there. A plain value; any thread.
class ScratchpadScanner {
public:
    ScratchpadScanner(Url root, std::set<std::string> extraExtensions);

    // "BRIMLY_SCRATCH_ROOT" when set, else the temporary area's "claude-<uid>" folder.
    static Url defaultRoot(const Environment& environment);

    const Url& root() const { return m_root; }
    const std::set<std::string>& extraExtensions() const { return m_extraExtensions; }
    void setExtraExtensions(std::set<std::string> extensions) { m_extraExtensions = std::move(extensions); }

    bool rootIsTrusted() const;
    // Every candidate file of every scratchpad, newest first by creation; empty for an untrusted root.
    std::vector<ScratchFile> files() const;
    // The candidate files directly in one scratchpad folder, in no particular order.
    std::vector<ScratchFile> files(const std::string& scratchpad) const;
    // The scratchpad folder that `path` lies in, or nothing (also for an untrusted root).
    std::optional<Url> scratchpad(const std::string& path) const;

    static constexpr const char* folderName = "scratchpad";

private:
    Url m_root;
    // The root's path with its parent folders resolved once, or empty for a root that is no absolute path.
    std::string m_rootPath;
    std::set<std::string> m_extraExtensions;
};

}  // namespace brimly
