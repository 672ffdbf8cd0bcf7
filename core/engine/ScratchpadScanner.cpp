#include "core/engine/ScratchpadScanner.h"

#include <algorithm>
#include <string_view>

#include "core/config/BrimlyPaths.h"
#include "core/config/ClaudeFolder.h"
#include "core/platform/FileSystem.h"
#include "core/store/ShelfItemKind.h"

namespace brimly {

namespace {

// File events name real paths, so the root is kept in that form too: every component but the last is
// resolved, while the last stays as named, since the trust test must see a link there as a link.
std::string resolvedRoot(const Url& root) {
    auto path = root.path();
    if (!path || path->empty() || path->front() != '/') return "";
    std::string standard = BrimlyPaths::standardizedPath(*path);
    if (standard == "/") return standard;
    return FileSystem::join(BrimlyPaths::canonicalThroughExistingAncestor(FileSystem::parentPath(standard)),
                            FileSystem::lastComponent(standard));
}

}  // namespace

ScratchpadScanner::ScratchpadScanner(Url root, std::set<std::string> extraExtensions)
    : m_root(std::move(root)),
      m_rootPath(resolvedRoot(m_root)),
      m_extraExtensions(std::move(extraExtensions)) {}

Url ScratchpadScanner::defaultRoot(const Environment& environment) {
    return Url::fromPath(BrimlyPaths::defaultScratchRoot(environment));
}

bool ScratchpadScanner::rootIsTrusted() const {
    const std::string& root = m_rootPath;
    return !root.empty() && ClaudeFolder::isTrustedRoot(root);
}

std::vector<ScratchFile> ScratchpadScanner::files() const {
    std::vector<ScratchFile> found;
    if (!rootIsTrusted()) return found;
    const std::string& root = m_rootPath;
    auto slugs = FileSystem::list(root);
    if (!slugs) return found;
    for (const DirectoryEntry& slug : *slugs) {
        std::string slugPath = FileSystem::join(root, slug.name);
        auto sessions = FileSystem::list(slugPath);
        if (!sessions) continue;
        for (const DirectoryEntry& session : *sessions) {
            auto inside = files(FileSystem::join(FileSystem::join(slugPath, session.name), folderName));
            found.insert(found.end(), std::make_move_iterator(inside.begin()),
                         std::make_move_iterator(inside.end()));
        }
    }
    // Listing order is the file system's; the path breaks ties so that equal times still sort the same way.
    std::sort(found.begin(), found.end(), [](const ScratchFile& a, const ScratchFile& b) {
        if (a.created != b.created) return a.created > b.created;
        return a.url.string() < b.url.string();
    });
    return found;
}

std::vector<ScratchFile> ScratchpadScanner::files(const std::string& scratchpad) const {
    std::vector<ScratchFile> found;
    auto entries = FileSystem::list(scratchpad);
    if (!entries) return found;
    std::string session = FileSystem::parentPath(scratchpad);
    std::string sessionID = FileSystem::lastComponent(session);
    std::string slug = FileSystem::lastComponent(FileSystem::parentPath(session));
    for (const DirectoryEntry& entry : *entries) {
        if (!ShelfItemKinds::forExtension(FileSystem::extension(entry.name), m_extraExtensions)) continue;
        // Not followed: a link in a shared area could point anywhere.
        if (!entry.info.isFile()) continue;
        found.push_back(ScratchFile{Url::fromPath(FileSystem::join(scratchpad, entry.name)), slug, sessionID,
                                    static_cast<std::int64_t>(entry.info.size), entry.info.createdAt,
                                    entry.info.modifiedAt});
    }
    return found;
}

std::optional<Url> ScratchpadScanner::scratchpad(const std::string& path) const {
    const std::string& root = m_rootPath;
    if (root.empty()) return std::nullopt;
    std::string prefix = root == "/" ? root : root + "/";
    if (!path.starts_with(prefix) || !rootIsTrusted()) return std::nullopt;
    std::string_view rest = std::string_view(path).substr(prefix.size());
    std::vector<std::string_view> pieces;
    while (pieces.size() < 3) {
        auto slash = rest.find('/');
        pieces.push_back(rest.substr(0, slash));
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    if (pieces.size() < 3 || pieces[2] != folderName) return std::nullopt;
    // The answer names a folder that will be listed: it must stay under the root.
    for (std::string_view piece : {pieces[0], pieces[1]}) {
        if (piece.empty() || piece == "." || piece == "..") return std::nullopt;
    }
    return Url::fromPath(prefix + std::string(pieces[0]) + "/" + std::string(pieces[1]) + "/" + folderName);
}

}  // namespace brimly
