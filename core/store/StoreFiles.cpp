// The Store's files: copies, thumbnails, their deferred deletion, the start-up sweep of files nothing
// refers to, and moving an unreadable index aside.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>

#include "core/base/AtomicFile.h"
#include "core/base/Crypto.h"
#include "core/platform/FileSystem.h"
#include "core/store/SafeFileName.h"
#include "core/store/Store.h"

namespace brimly {

namespace {

std::vector<std::string> namesIn(const std::string& folder) {
    struct Closer {
        void operator()(DIR* handle) const { ::closedir(handle); }
    };
    std::vector<std::string> names;
    std::unique_ptr<DIR, Closer> handle(::opendir(folder.c_str()));
    if (!handle) return names;
    while (const struct dirent* entry = ::readdir(handle.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    return names;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string uuidString() {
    std::random_device device;
    unsigned char bytes[16];
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device() & 0xff);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
    std::string text;
    char hex[3];
    for (int index = 0; index < 16; ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10) text.push_back('-');
        std::snprintf(hex, sizeof hex, "%02X", bytes[index]);
        text.append(hex);
    }
    return text;
}

}  // namespace

std::optional<Url> Store::thumbURL(std::string_view id) const {
    if (!SafeFileName::isSafeID(id)) return std::nullopt;
    return Url::fromPath(m_thumbsDir + "/" + std::string(id) + ".jpg");
}

Store::CopyResult Store::copyInto(std::string_view id, std::string_view ext,
                                  const std::function<std::error_code(const std::string&)>& write) {
    assertOnQueue();
    if (!SafeFileName::isSafeID(id) || !SafeFileName::isSafeExtension(ext)) {
        return {std::nullopt, std::make_error_code(std::errc::invalid_argument)};
    }
    std::string path = m_itemsDir + "/" + std::string(id) + "." + std::string(ext);
    if (auto existing = FileSystem::info(path); existing && existing->isFile()) {
        return {Url::fromPath(path), {}};
    }
    if (auto error = write(path)) return {std::nullopt, error};
    return {Url::fromPath(path), {}};
}

Store::CopyResult Store::copyIn(std::string_view data, std::string_view id, std::string_view ext) {
    return copyInto(id, ext, [data](const std::string& path) { return AtomicFile::write(path, data); });
}

Store::CopyResult Store::copyInFile(const FileReader& source, std::string_view contentKey,
                                    std::string_view id, std::string_view ext) {
    return copyInto(id, ext, [&source, contentKey](const std::string& path) -> std::error_code {
        Crypto::Sha256 digest;
        auto observe = [&digest](std::string_view block) { digest.update(block); };
        if (auto error = AtomicFile::copy(source, path, observe)) return error;
        if (digest.finalHex() != contentKey) {
            ::unlink(path.c_str());
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return {};
    });
}

std::optional<std::string> Store::itemsFolderPath(const Url& url) const {
    auto path = url.path();
    if (!path || FileSystem::parentPath(*path) != m_itemsDir) return std::nullopt;
    if (!SafeFileName::isSafeName(FileSystem::lastComponent(*path))) return std::nullopt;
    return path;
}

void Store::discardFiles(const ShelfItem& item) {
    for (const ItemVersion& version : item.allVersions()) {
        if (auto path = version.fileURL.path()) discardFile(*path);
    }
    m_discardedThumbs.insert(item.id);
}

void Store::discardFile(const std::string& path) { m_discardedFiles.insert(path); }

// Runs only when the index on disk matches memory, so a file no record uses is named by no index either.
// Users are counted again here: an id brought back since (a new copy, an unhide) keeps its files.
void Store::deleteDiscardedFiles() {
    std::set<std::string> used;
    if (!m_discardedFiles.empty()) {
        forEachCopyURL([&](const Url& url) {
            if (auto path = url.path(); path && m_discardedFiles.count(*path) != 0)
                used.insert(std::move(*path));
        });
    }
    for (const std::string& path : m_discardedFiles) {
        if (used.count(path) != 0) continue;
        if (auto safe = itemsFolderPath(Url::fromPath(path))) ::unlink(safe->c_str());
    }
    m_discardedFiles.clear();
    for (const std::string& id : m_discardedThumbs) {
        if (m_items.count(id) != 0 || m_hiddenItems.count(id) != 0) continue;
        if (auto thumb = thumbURL(id)) ::unlink(thumb->path()->c_str());
    }
    m_discardedThumbs.clear();
}

void Store::moveUnreadableIndexAside() {
    auto seconds = static_cast<std::time_t>(unixFromDate(m_now()));
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &parts);
    std::string base = m_root + "/index.unreadable-" + stamp;
    std::string target = base + ".json";
    if (FileSystem::exists(target)) target = base + "-" + uuidString() + ".json";
    if (std::rename(m_indexPath.c_str(), target.c_str()) == 0) {
        m_log.error("index unreadable, moved to {}", Log::priv(target));
        m_movedAsideTo = target;
    }
}

// Copies made before a crash whose index was never written, files of items removed just before one, and
// temporary files of interrupted atomic writes. Recently modified files are left alone: a copy being
// written keeps its modification time fresh.
void Store::sweepOrphans() {
    Date cutoff = m_now() - orphanMinimumAge;
    auto removeIfOld = [&](const std::string& path) {
        auto found = FileSystem::info(path);
        if (!found || found->isDirectory()) return;
        if (found->modifiedAt < cutoff) ::unlink(path.c_str());
    };
    bool unreadableAside = m_movedAsideTo.has_value();
    for (const std::string& name : namesIn(m_root)) {
        if (startsWith(name, "index.json.tmp-") || startsWith(name, "offsets.json.tmp-")) {
            removeIfOld(m_root + "/" + name);
        }
        unreadableAside = unreadableAside || startsWith(name, "index.unreadable-");
    }
    // The copies an unreadable index names look like orphans; they are all that is left to restore it from.
    if (unreadableAside) return;
    // Compared by name, so that an index written under another path of the same folder keeps its copies.
    std::set<std::string> used;
    forEachCopyURL([&used](const Url& url) {
        if (auto path = url.path()) used.insert(FileSystem::lastComponent(*path));
    });
    for (const std::string& name : namesIn(m_itemsDir)) {
        if (used.count(name) == 0) removeIfOld(m_itemsDir + "/" + name);
    }
    for (const std::string& name : namesIn(m_thumbsDir)) {
        if (endsWith(name, ".jpg")) {
            std::string id = name.substr(0, name.size() - 4);
            if (m_items.count(id) != 0 || m_hiddenItems.count(id) != 0) continue;
        }
        removeIfOld(m_thumbsDir + "/" + name);
    }
}

}  // namespace brimly
