#include "app/items/Trash.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "core/base/Url.h"
#include "core/config/BrimlyPaths.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr std::string_view infoSuffix = ".trashinfo";
// NAME_MAX on every file system a Trash lives on.
constexpr std::size_t nameLimit = 255;
// Past this many taken names something else is wrong; giving up beats spinning.
constexpr int maxAttempts = 10000;

std::error_code lastError() { return {errno, std::generic_category()}; }

Trash::Result failure(Trash::Outcome outcome, std::error_code error) {
    return Trash::Result{.outcome = outcome, .error = error};
}

std::error_code renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    // A file system without the flag: the name was checked free just before, and the claimed info file keeps
    // other Trash users off it.
    if (errno == EINVAL && ::rename(from.c_str(), to.c_str()) == 0) return {};
    return lastError();
}

std::error_code writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// The device of `path`, or of its nearest existing ancestor when it does not exist yet.
std::optional<std::uint64_t> deviceOf(std::string path) {
    while (true) {
        if (auto info = FileSystem::infoFollowingLinks(path)) return info->device;
        if (path == "/" || path.empty()) return std::nullopt;
        path = FileSystem::parentPath(path);
    }
}

// The top folder of the volume holding `folder` (a canonical path): the highest ancestor on its device.
std::string topDirectory(std::string folder, std::uint64_t device) {
    while (folder != "/") {
        std::string parent = FileSystem::parentPath(folder);
        if (deviceOf(parent) != device) break;
        folder = parent;
    }
    return folder;
}

bool isUsableFolder(const std::string& path) {
    auto info = FileSystem::info(path);
    return info && info->isDirectory();
}

}  // namespace

Trash::Trash(Options options) : m_options(std::move(options)) {
    if (!m_options.rename) m_options.rename = renameWithoutReplacing;
}

std::string Trash::homeTrashPath(const Environment& env) {
    auto dataHome = Env::string("XDG_DATA_HOME", env);
    if (dataHome && !dataHome->empty() && dataHome->front() == '/') return *dataHome + "/Trash";
    return BrimlyPaths::homeFolder(env) + "/.local/share/Trash";
}

std::string Trash::candidateName(std::string_view name, int attempt) {
    std::string_view stem = name;
    std::string_view ext;
    if (auto dot = name.rfind('.'); dot != std::string_view::npos && dot != 0) {
        stem = name.substr(0, dot);
        ext = name.substr(dot);
    }
    std::string suffix = attempt > 1 ? "." + std::to_string(attempt) : "";
    std::size_t room = nameLimit - infoSuffix.size();
    if (stem.size() + suffix.size() + ext.size() > room) {
        // An extension that leaves no room for a stem is no extension worth keeping.
        if (ext.size() + suffix.size() >= room / 2) {
            stem = name;
            ext = {};
        }
        std::size_t cut = room - suffix.size() - ext.size();
        // Never end inside a UTF-8 sequence: back off over continuation bytes.
        while (cut > 0 && cut < stem.size() && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem = stem.substr(0, cut);
    }
    return std::string(stem) + suffix + std::string(ext);
}

std::string Trash::infoText(std::string_view path, Date deletedAt, TimeZone zone) {
    CivilTime t = zone.civil(deletedAt);
    return fmt::format("[Trash Info]\nPath={}\nDeletionDate={:04}-{:02}-{:02}T{:02}:{:02}:{:02}\n",
                       percentEncodePath(path), t.year, t.month, t.day, t.hour, t.minute, t.second);
}

Trash::Result Trash::moveToTrash(const std::string& path, Date now) const {
    if (path.empty() || path.front() != '/')
        return failure(Outcome::failed, std::make_error_code(std::errc::invalid_argument));
    std::string clean = BrimlyPaths::standardizedPath(path);
    if (clean == "/") return failure(Outcome::failed, std::make_error_code(std::errc::invalid_argument));
    auto info = FileSystem::info(clean);
    if (!info) return failure(Outcome::missing, std::make_error_code(std::errc::no_such_file_or_directory));

    if (deviceOf(m_options.homeTrash) == info->device)
        return moveInto(m_options.homeTrash, clean, clean, now);

    // Another volume: its own Trash at its top, with the path recorded from there so that the volume may be
    // mounted elsewhere later.
    std::string folder = FileSystem::canonicalPath(FileSystem::parentPath(clean));
    std::string top = topDirectory(folder, info->device);
    std::string full = FileSystem::join(folder, FileSystem::lastComponent(clean));
    std::string recorded = top == "/" ? full : full.substr(top.size() + 1);
    return moveInto(FileSystem::join(top, ".Trash-" + std::to_string(m_options.uid)), clean, recorded, now);
}

Trash::Result Trash::moveInto(const std::string& trash, const std::string& path,
                              const std::string& recordedPath, Date now) const {
    std::string filesDir = trash + "/files";
    std::string infoDir = trash + "/info";
    // A Trash that is a link, or someone else's, could send the file anywhere.
    if (!FileSystem::createDirectories(trash) || !FileSystem::isTrustedDirectory(trash) ||
        !FileSystem::createDirectories(filesDir) || !FileSystem::createDirectories(infoDir) ||
        !isUsableFolder(filesDir) || !isUsableFolder(infoDir)) {
        return failure(Outcome::noTrash, std::make_error_code(std::errc::permission_denied));
    }

    std::string text = infoText(recordedPath, now, m_options.zone);
    std::string base = FileSystem::lastComponent(path);
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        std::string name = candidateName(base, attempt);
        std::string target = FileSystem::join(filesDir, name);
        if (FileSystem::info(target)) continue;
        std::string infoPath = FileSystem::join(infoDir, name + std::string(infoSuffix));
        int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return failure(Outcome::failed, lastError());
        }
        std::error_code error = writeAll(fd, text);
        if (::close(fd) != 0 && !error) error = lastError();
        if (!error) error = m_options.rename(path, target);
        if (!error) return Result{.outcome = Outcome::moved, .trashedPath = target};
        ::unlink(infoPath.c_str());
        if (error != std::errc::file_exists) return failure(Outcome::failed, error);
    }
    return failure(Outcome::failed, std::make_error_code(std::errc::file_exists));
}

}  // namespace brimly
