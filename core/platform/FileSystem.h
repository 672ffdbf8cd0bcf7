#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Env.h"

namespace brimly {

// What one lstat/statx tells about a path. Symbolic links are not followed.
struct FileInfo {
    enum class Type { file, directory, symlink, other };
    Type type = Type::other;
    std::uint64_t size = 0;
    Date modifiedAt = 0;
    // The birth time where the file system records it, else the modification time.
    Date createdAt = 0;
    uid_t owner = 0;
    mode_t mode = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    bool isFile() const { return type == Type::file; }
    bool isDirectory() const { return type == Type::directory; }
    bool isSymlink() const { return type == Type::symlink; }
    bool operator==(const FileInfo&) const = default;
};

struct DirectoryEntry {
    std::string name;
    FileInfo info;
};

// Linux file-system facilities the core needs. Unreadable things give nothing; nothing throws.
namespace FileSystem {

std::optional<FileInfo> info(const std::string& path);
// Follows symbolic links.
std::optional<FileInfo> infoFollowingLinks(const std::string& path);
// Entries other than "." and "..", with their lstat information, in no particular order.
std::optional<std::vector<DirectoryEntry>> list(const std::string& path);
bool exists(const std::string& path);
bool isDirectory(const std::string& path);

// The real path (links, ".", ".." resolved), or `path` unchanged when that fails.
std::string canonicalPath(const std::string& path);

std::string homeDirectory();
uid_t userID();
// $TMPDIR when set, else "/tmp"; without a trailing slash.
std::string temporaryDirectory(const Environment& env);

// A real directory (not a symbolic link), owned by the current user, not writable by group or others.
bool isTrustedDirectory(const std::string& path);

// Creates the folder and its missing parents (mode 0700 for new ones); true when it exists afterwards.
[[nodiscard]] bool createDirectories(const std::string& path);

std::string lastComponent(const std::string& path);
std::string parentPath(const std::string& path);
std::string join(const std::string& folder, const std::string& name);
// The text after the last "." of the last component, or empty.
std::string extension(const std::string& path);
// Whether `path` lies in `root`: one trailing "/" of the root is dropped, a root shorter than two characters
// contains nothing, and the path must equal the root or continue it with "/" (so "/a/Work" does not contain
// "/a/Workshop"). Pure text: nothing is resolved.
bool isPathInside(std::string_view path, std::string_view root);

}  // namespace FileSystem
}  // namespace brimly
