#include "core/config/ClaudeFolder.h"

#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"

namespace brimly::ClaudeFolder {

namespace {

bool hasTranscript(const std::string& projectFolder) {
    auto entries = FileSystem::list(projectFolder);
    if (!entries) return false;
    for (const DirectoryEntry& entry : *entries) {
        if (FileSystem::extension(entry.name) == "jsonl") return true;
    }
    return false;
}

// A projects folder holds a visible entry, or a hidden project folder with a transcript in it.
bool looksLikeProjects(const std::string& path) {
    if (!FileSystem::isDirectory(path)) return false;
    auto entries = FileSystem::list(path);
    if (!entries) return false;
    for (const DirectoryEntry& entry : *entries) {
        if (entry.name.front() != '.') return true;
        if (hasTranscript(FileSystem::join(path, entry.name))) return true;
    }
    return false;
}

}  // namespace

Choice resolve(const Url& url) {
    auto picked = url.path();
    if (!picked || picked->empty()) return NotClaude{};
    std::string folder = BrimlyPaths::standardizedPath(*picked);
    if (looksLikeProjects(FileSystem::join(folder, "projects"))) return Home{Url::fromPath(folder)};
    if (FileSystem::lastComponent(folder) == "projects" && looksLikeProjects(folder)) {
        return Home{Url::fromPath(FileSystem::parentPath(folder))};
    }
    return NotClaude{};
}

bool isTrustedRoot(const std::string& path) {
    if (path.empty() || path.front() != '/') return false;
    return FileSystem::isTrustedDirectory(BrimlyPaths::standardizedPath(path));
}

bool isScratchRoot(const Url& url) {
    auto picked = url.path();
    if (!picked || !isTrustedRoot(*picked)) return false;
    std::string root = BrimlyPaths::standardizedPath(*picked);
    auto projects = FileSystem::list(root);
    if (!projects) return false;
    for (const DirectoryEntry& project : *projects) {
        std::string projectPath = FileSystem::join(root, project.name);
        auto sessions = FileSystem::list(projectPath);
        if (!sessions) continue;
        for (const DirectoryEntry& session : *sessions) {
            if (FileSystem::isDirectory(
                    FileSystem::join(FileSystem::join(projectPath, session.name), "scratchpad")))
                return true;
        }
    }
    return false;
}

}  // namespace brimly::ClaudeFolder
