#include "core/engine/WatchTree.h"

#include <sys/inotify.h>

#include <cerrno>

#include "core/engine/WatchHub.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

constexpr std::uint32_t treeMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                   IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                   IN_EXCL_UNLINK;
// A busy root's own watch: only its entries coming and going, which is all a first-level folder does.
// No removals: every file removed there would wake the reader, and a first-level folder's removal comes from
// its own watch.
constexpr std::uint32_t busyRootMask =
    IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// While the root is missing only the appearance of the next component of its path matters.
constexpr std::uint32_t ancestorMask = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr int maxChainSteps = 256;

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

WatchTree::WatchTree(WatchHub& hub, std::string root, Limits limits)
    : m_hub(hub), m_root(withoutTrailingSlashes(std::move(root))), m_limits(std::move(limits)) {
    if (m_limits.depth < 1) m_limits.depth = 1;
}

void WatchTree::start(std::vector<WatchEvent>& out) { followChain(false, out); }

void WatchTree::handle(const InotifyRecord& record, std::vector<WatchEvent>& out) {
    // Other programs' files come and go in a busy root by the hundred a second: turned away before any
    // path is built for them.
    constexpr std::uint32_t mayMatter = IN_ISDIR | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;
    if (m_limits.busyRoot && record.wd == m_rootWd && (record.mask & mayMatter) == 0) return;
    std::optional<std::string> folder;
    if (auto found = m_watches.find(record.wd); found != m_watches.end()) folder = found->second.path;
    handleChange(InotifyDecoder::describe(record, folder), out);
}

void WatchTree::handleChange(const InotifyChange& change, std::vector<WatchEvent>& out) {
    using Kind = InotifyChange::Kind;
    switch (change.kind) {
        case Kind::unknown:
            return;
        case Kind::overflow:
            // Watches of folders made during the loss may be missing and the kernel's notices of removed
            // ones are gone: start the tree afresh and let the consumer rescan.
            out.push_back({m_root, WatchEvent::kernelDropped});
            forgetAll();
            followChain(false, out);
            return;
        case Kind::forgotten:
        case Kind::self: {
            if (change.wd == m_ancestorWd) {
                if (change.kind == Kind::forgotten) forget(change.wd);
                followChain(true, out);
            } else if (change.wd == m_rootWd) {
                out.push_back(
                    {m_root, WatchEvent::itemRemoved | WatchEvent::itemIsDir | WatchEvent::rootChanged});
                forgetAll();
                followChain(true, out);
            } else if (change.kind == Kind::forgotten) {
                forget(change.wd);
            } else if ((change.mask & IN_DELETE_SELF) != 0 && m_limits.busyRoot && isFirstLevel(change.wd)) {
                out.push_back({change.path, WatchEvent::itemRemoved | WatchEvent::itemIsDir});
            } else if ((change.mask & IN_UNMOUNT) != 0) {
                out.push_back({change.path, change.flags});
            }
            return;
        }
        case Kind::entry: {
            if (change.wd == m_ancestorWd) {
                followChain(true, out);
                return;
            }
            auto watch = m_watches.find(change.wd);
            if (watch == m_watches.end()) return;
            int level = watch->second.level + 1;
            if (!admits(FileSystem::lastComponent(change.path), level, change.isDirectory())) return;
            out.push_back({change.path, change.flags});
            if (change.isNewDirectory() && level < m_limits.depth) {
                addTree(change.path, level, true, out);
            } else if (change.isGoneDirectory()) {
                forgetSubtree(change.path);
            }
            return;
        }
    }
}

void WatchTree::followChain(bool reportAppearance, std::vector<WatchEvent>& out) {
    for (int step = 0; step < maxChainSteps; ++step) {
        if (FileSystem::isDirectory(m_root)) {
            if (m_ancestorWd >= 0) {
                m_hub.removeWatch(*this, m_ancestorWd);
                forget(m_ancestorWd);
            }
            if (m_rootWd >= 0) return;
            if (reportAppearance) {
                out.push_back(
                    {m_root, WatchEvent::itemCreated | WatchEvent::itemIsDir | WatchEvent::rootChanged});
            }
            addTree(m_root, 0, reportAppearance, out);
            return;
        }
        if (m_rootWd >= 0) forgetAll();
        std::string ancestor = FileSystem::parentPath(m_root);
        while (ancestor.size() > 1 && !FileSystem::isDirectory(ancestor)) {
            ancestor = FileSystem::parentPath(ancestor);
        }
        if (!FileSystem::isDirectory(ancestor) || ancestor == m_root) return;
        Inotify::AddResult added = m_hub.addWatch(*this, ancestor, ancestorMask);
        if (!added.ok()) {
            if (added.error == ENOSPC || added.error == ENOMEM) {
                out.push_back({m_root, WatchEvent::mustScanSubDirs});
            }
            return;
        }
        if (m_ancestorWd >= 0 && m_ancestorWd != added.wd) {
            m_hub.removeWatch(*this, m_ancestorWd);
            forget(m_ancestorWd);
        }
        m_ancestorWd = added.wd;
        m_watches[added.wd] = Watch{ancestor, -1};
        updateCount();
        // The next component may have appeared before the watch was in place.
        std::size_t from = ancestor == "/" ? 1 : ancestor.size() + 1;
        std::string next = m_root.substr(0, m_root.find('/', from));
        if (!FileSystem::isDirectory(next)) return;
    }
}

void WatchTree::addTree(const std::string& folder, int level, bool reportContents,
                        std::vector<WatchEvent>& out) {
    std::vector<std::pair<std::string, int>> pending{{folder, level}};
    while (!pending.empty()) {
        auto [path, depth] = std::move(pending.back());
        pending.pop_back();
        if (!addOne(path, depth, out)) continue;
        auto entries = FileSystem::list(path);
        if (!entries) continue;
        int childLevel = depth + 1;
        for (const DirectoryEntry& entry : *entries) {
            bool isDirectory = entry.info.isDirectory();
            if (!admits(entry.name, childLevel, isDirectory)) continue;
            std::string child = FileSystem::join(path, entry.name);
            if (reportContents) {
                out.push_back({child, WatchEvent::itemCreated |
                                          (isDirectory ? WatchEvent::itemIsDir : WatchEvent::itemIsFile)});
            }
            if (isDirectory && childLevel < m_limits.depth)
                pending.emplace_back(std::move(child), childLevel);
        }
    }
}

bool WatchTree::addOne(const std::string& folder, int level, std::vector<WatchEvent>& out) {
    if (m_watches.size() >= m_limits.maxWatches) {
        out.push_back({folder, WatchEvent::mustScanSubDirs});
        return false;
    }
    // Links inside the tree are entries, never followed: a link to a parent would make the tree endless.
    std::uint32_t mask = level == 0 && m_limits.busyRoot ? busyRootMask : treeMask;
    Inotify::AddResult added = m_hub.addWatch(*this, folder, mask | (level > 0 ? IN_DONT_FOLLOW : 0));
    if (!added.ok()) {
        if (added.error == ENOSPC || added.error == ENOMEM)
            out.push_back({folder, WatchEvent::mustScanSubDirs});
        return false;
    }
    if (auto existing = m_watches.find(added.wd); existing != m_watches.end()) {
        m_byPath.erase(existing->second.path);
    }
    m_watches[added.wd] = Watch{folder, level};
    m_byPath[folder] = added.wd;
    if (level == 0) m_rootWd = added.wd;
    updateCount();
    return true;
}

void WatchTree::forgetSubtree(const std::string& folder) {
    auto drop = [this](std::map<std::string, int>::iterator from, std::map<std::string, int>::iterator to) {
        for (auto it = from; it != to;) {
            m_hub.removeWatch(*this, it->second);
            m_watches.erase(it->second);
            it = m_byPath.erase(it);
        }
    };
    if (auto exact = m_byPath.find(folder); exact != m_byPath.end()) drop(exact, std::next(exact));
    // Every path under `folder` sorts between "folder/" and "folder0" ('0' follows '/').
    drop(m_byPath.lower_bound(folder + "/"), m_byPath.lower_bound(folder + "0"));
    updateCount();
}

void WatchTree::forgetAll() {
    for (const auto& [wd, watch] : m_watches) m_hub.removeWatch(*this, wd);
    m_watches.clear();
    m_byPath.clear();
    m_rootWd = -1;
    m_ancestorWd = -1;
    updateCount();
}

void WatchTree::forget(int wd) {
    if (auto found = m_watches.find(wd); found != m_watches.end()) {
        if (auto byPath = m_byPath.find(found->second.path);
            byPath != m_byPath.end() && byPath->second == wd) {
            m_byPath.erase(byPath);
        }
        m_watches.erase(found);
    }
    if (wd == m_rootWd) m_rootWd = -1;
    if (wd == m_ancestorWd) m_ancestorWd = -1;
    updateCount();
}

bool WatchTree::isFirstLevel(int wd) const {
    auto found = m_watches.find(wd);
    return found != m_watches.end() && found->second.level == 1;
}

bool WatchTree::admits(const std::string& name, int level, bool isDirectory) const {
    if (level > m_limits.depth) return false;
    if (level == 1 && m_limits.busyRoot && !isDirectory) return false;
    if (level == 1 && !m_limits.firstLevelPrefix.empty()) return name.starts_with(m_limits.firstLevelPrefix);
    return true;
}

}  // namespace brimly
