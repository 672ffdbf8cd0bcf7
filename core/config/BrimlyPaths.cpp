#include "core/config/BrimlyPaths.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr std::array<const char*, 3> overrideKeys = {"BRIMLY_CLAUDE_HOME", "BRIMLY_SCRATCH_ROOT",
                                                     "BRIMLY_SUPPORT_DIR"};

std::string workingFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::optional<std::string> nonEmpty(const std::optional<std::string>& value) {
    if (!value) return std::nullopt;
    std::string trimmed = Env::trimmed(*value);
    if (trimmed.empty()) return std::nullopt;
    return trimmed;
}

Url folderUrl(const std::string& path, const Environment& env) {
    return Url::fromPath(BrimlyPaths::absolutePath(path, env));
}

}  // namespace

std::string BrimlyPaths::homeFolder(const Environment& env) {
    auto home = env.find("HOME");
    if (home != env.end() && !home->second.empty() && home->second.front() == '/') {
        return standardizedPath(home->second);
    }
    return standardizedPath(FileSystem::homeDirectory());
}

std::string BrimlyPaths::standardizedPath(const std::string& path) {
    bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string piece = path.substr(start, slash - start);
        if (piece == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(piece);
            }
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(std::move(piece));
        }
        start = slash + 1;
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result.push_back('/');
        result.append(parts[i]);
    }
    if (result.empty()) result = ".";
    return result;
}

std::string BrimlyPaths::absolutePath(const std::string& path, const Environment& env) {
    std::string expanded = path;
    if (path == "~") {
        expanded = homeFolder(env);
    } else if (path.rfind("~/", 0) == 0) {
        expanded = homeFolder(env) + path.substr(1);
    }
    if (expanded.empty() || expanded.front() != '/') expanded = workingFolder() + "/" + expanded;
    return standardizedPath(expanded);
}

std::string BrimlyPaths::canonicalPath(const std::string& path) { return FileSystem::canonicalPath(path); }

std::string BrimlyPaths::canonicalThroughExistingAncestor(const std::string& path) {
    std::string existing = standardizedPath(path);
    std::vector<std::string> missing;
    while (existing != "/" && existing != "." && !FileSystem::isDirectory(existing)) {
        missing.push_back(FileSystem::lastComponent(existing));
        existing = FileSystem::parentPath(existing);
    }
    std::string result = canonicalPath(existing);
    for (auto piece = missing.rbegin(); piece != missing.rend(); ++piece) {
        result = FileSystem::join(result, *piece);
    }
    return result;
}

std::string BrimlyPaths::canonicalRoot(const std::string& path, const Environment& env) {
    return canonicalPath(absolutePath(path, env));
}

std::string BrimlyPaths::defaultScratchRoot(const Environment& env) {
    if (auto root = Env::string("BRIMLY_SCRATCH_ROOT", env)) return absolutePath(*root, env);
    return "/tmp/claude-" + std::to_string(FileSystem::userID());
}

BrimlyPaths BrimlyPaths::resolve(const Environment& env, const std::optional<std::string>& claudeHome,
                                 const std::optional<std::string>& scratchRoot) {
    std::string home = homeFolder(env);

    std::string claude = home + "/.claude";
    if (auto fromEnv = Env::string("BRIMLY_CLAUDE_HOME", env)) {
        claude = *fromEnv;
    } else if (auto chosen = nonEmpty(claudeHome)) {
        claude = *chosen;
    }

    auto chosenScratch = nonEmpty(scratchRoot);
    std::string scratch =
        Env::string("BRIMLY_SCRATCH_ROOT", env) || !chosenScratch ? defaultScratchRoot(env) : *chosenScratch;

    std::string support;
    if (auto fromEnv = Env::string("BRIMLY_SUPPORT_DIR", env)) {
        support = *fromEnv;
    } else {
        // The XDG base-directory rules ignore a relative XDG_DATA_HOME.
        auto dataHome = Env::string("XDG_DATA_HOME", env);
        support = (dataHome && dataHome->front() == '/' ? *dataHome : home + "/.local/share") + "/brimly";
    }

    return BrimlyPaths{folderUrl(claude, env), folderUrl(scratch, env), folderUrl(support, env),
                       Url::fromPath(FileSystem::temporaryDirectory(env))};
}

BrimlyPaths BrimlyPaths::standard(const Environment& env) {
    Environment cleaned = env;
    for (const char* key : overrideKeys) cleaned.erase(key);
    return resolve(cleaned, std::nullopt, std::nullopt);
}

}  // namespace brimly
