#include "core/platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace brimly::FileSystem {

namespace {

Date toDate(const struct statx_timestamp& stamp) {
    return dateFromUnix(static_cast<double>(stamp.tv_sec) + static_cast<double>(stamp.tv_nsec) / 1e9);
}

std::optional<FileInfo> statPath(const std::string& path, bool follow) {
    struct statx result {};
    int flags = AT_STATX_SYNC_AS_STAT | (follow ? 0 : AT_SYMLINK_NOFOLLOW);
    if (::statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &result) != 0) {
        return std::nullopt;
    }
    FileInfo info;
    if (S_ISREG(result.stx_mode)) {
        info.type = FileInfo::Type::file;
    } else if (S_ISDIR(result.stx_mode)) {
        info.type = FileInfo::Type::directory;
    } else if (S_ISLNK(result.stx_mode)) {
        info.type = FileInfo::Type::symlink;
    }
    info.size = result.stx_size;
    info.modifiedAt = toDate(result.stx_mtime);
    info.createdAt = (result.stx_mask & STATX_BTIME) != 0 ? toDate(result.stx_btime) : info.modifiedAt;
    info.owner = result.stx_uid;
    info.mode = result.stx_mode & 07777;
    info.inode = result.stx_ino;
    info.device = (static_cast<std::uint64_t>(result.stx_dev_major) << 32) | result.stx_dev_minor;
    return info;
}

}  // namespace

std::optional<FileInfo> info(const std::string& path) { return statPath(path, false); }

std::optional<FileInfo> infoFollowingLinks(const std::string& path) { return statPath(path, true); }

std::optional<std::vector<DirectoryEntry>> list(const std::string& path) {
    struct Closer {
        void operator()(DIR* folder) const { ::closedir(folder); }
    };
    std::unique_ptr<DIR, Closer> folder(::opendir(path.c_str()));
    if (!folder) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    while (struct dirent* entry = ::readdir(folder.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (auto found = info(join(path, name))) entries.push_back({std::move(name), *found});
    }
    return entries;
}

bool exists(const std::string& path) { return info(path).has_value(); }

bool isDirectory(const std::string& path) {
    auto found = infoFollowingLinks(path);
    return found && found->isDirectory();
}

std::string canonicalPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return path;
    return buffer;
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (struct passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

uid_t userID() { return ::getuid(); }

std::string temporaryDirectory(const Environment& env) {
    auto found = env.find("TMPDIR");
    std::string folder =
        found != env.end() && !found->second.empty() && found->second[0] == '/' ? found->second : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool isTrustedDirectory(const std::string& path) {
    auto found = info(path);
    if (!found || !found->isDirectory()) return false;
    if (found->owner != userID()) return false;
    return (found->mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool createDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    std::string parent = parentPath(path);
    if (parent != path && !parent.empty() && !createDirectories(parent)) return false;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return isDirectory(path);
}

std::string lastComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    auto slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string parentPath(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return trimmed.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string extension(const std::string& path) {
    std::string name = lastComponent(path);
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return name.substr(dot + 1);
}

bool isPathInside(std::string_view path, std::string_view root) {
    if (!root.empty() && root.back() == '/') root.remove_suffix(1);
    if (root.size() < 2) return false;
    if (!path.starts_with(root)) return false;
    return path.size() == root.size() || path[root.size()] == '/';
}

}  // namespace brimly::FileSystem
