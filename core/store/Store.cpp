#include "core/store/Store.h"

#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>

#include "core/base/AtomicFile.h"
#include "core/platform/FileSystem.h"
#include "core/platform/ProcessMemory.h"

namespace brimly {

namespace {

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string_view contentKeyOf(std::string_view id) { return id.substr(0, id.find('~')); }

void eraseEntry(std::unordered_multimap<std::string_view, const ShelfItem*>& table, std::string_view key,
                const ShelfItem& stored) {
    auto [begin, end] = table.equal_range(key);
    for (auto entry = begin; entry != end; ++entry) {
        if (entry->second == &stored) {
            table.erase(entry);
            return;
        }
    }
}

template <typename Visit>
void forEachAt(const std::unordered_multimap<std::string_view, const ShelfItem*>& table, std::string_view key,
               Visit visit) {
    auto [begin, end] = table.equal_range(key);
    for (auto entry = begin; entry != end; ++entry) visit(*entry->second);
}

bool byCreationThenID(const ShelfItem& left, const ShelfItem& right) {
    if (left.createdAt != right.createdAt) return left.createdAt < right.createdAt;
    return left.id < right.id;
}

}  // namespace

Store::Store(std::string root, NowFunction now, SerialQueue* autosave, double debounce,
             double offsetsDebounce)
    : m_root(withoutTrailingSlashes(std::move(root))),
      m_itemsDir(m_root + "/items"),
      m_thumbsDir(m_root + "/thumbs"),
      m_indexPath(m_root + "/index.json"),
      m_offsetsPath(m_root + "/offsets.json"),
      m_now(std::move(now)),
      m_autosave(autosave),
      m_debounce(debounce),
      m_offsetsDebounce(offsetsDebounce) {
    load();
}

Store::~Store() = default;

void Store::assertOnQueue() const { assert(m_autosave == nullptr || m_autosave->isCurrent()); }

std::string Store::contentKey(std::string_view id) { return std::string(contentKeyOf(id)); }

void Store::load() {
    if (!FileSystem::createDirectories(m_itemsDir) || !FileSystem::createDirectories(m_thumbsDir) ||
        ::access(m_root.c_str(), W_OK) != 0) {
        m_loadProblems.push_back({Problem::Kind::notWritable, std::strerror(errno)});
    }

    std::optional<Index> index;
    std::map<std::string, ShelfItem> items;
    index = Index::decodeFile(m_indexPath, [&items](ShelfItem&& item) {
        std::string id = item.id;
        items.insert_or_assign(std::move(id), std::move(item));
    });
    if (index) {
        m_isFirstRun = false;
        m_previousRunAt = index->lastRunAt;
        for (HiddenRecord& record : index->hiddenItems) {
            // A damaged index may name an id both shown and hidden; the user's hiding wins.
            items.erase(record.item.id);
            std::string id = record.item.id;
            m_hiddenItems.insert_or_assign(std::move(id), std::move(record));
        }
        m_items = std::move(items);
        for (Session& session : index->sessions) {
            std::string id = session.id;
            m_sessions.insert_or_assign(std::move(id), std::move(session));
        }
        for (Prompt& prompt : index->prompts) {
            std::string id = prompt.id;
            m_prompts.insert_or_assign(std::move(id), std::move(prompt));
        }
        m_hidden.insert(index->hidden.begin(), index->hidden.end());
        m_deleted = std::move(index->deleted);
        m_deletedPaths = std::move(index->deletedPaths);
        m_titleChecks = std::move(index->titleChecks);
    } else if (FileSystem::exists(m_indexPath)) {
        moveUnreadableIndexAside();
    }
    for (const auto& [id, item] : m_items) addToMaps(item);
    for (const auto& [id, record] : m_hiddenItems) addHiddenToMaps(record.item);

    if (auto text = AtomicFile::read(m_offsetsPath)) {
        if (auto offsets = OffsetsFile::decode(*text)) m_offsets = std::move(*offsets);
    }
    m_launchedAt = m_now();
    m_revision = 0;
    if (m_movedAsideTo) m_loadProblems.push_back({Problem::Kind::indexMovedAside, *m_movedAsideTo});
    // Reading a large index leaves freed pages scattered through the heap; give them back now rather than
    // carry them for the life of the program.
    ProcessMemory::release();
}

void Store::addToMaps(const ShelfItem& stored) {
    m_byContent.emplace(contentKeyOf(stored.id), &stored);
    if (stored.sourcePath) m_byPath.emplace(*stored.sourcePath, &stored);
}

void Store::removeFromMaps(const ShelfItem& stored) {
    eraseEntry(m_byContent, contentKeyOf(stored.id), stored);
    if (stored.sourcePath) eraseEntry(m_byPath, *stored.sourcePath, stored);
}

void Store::addHiddenToMaps(const ShelfItem& stored) {
    if (stored.sourcePath) m_hiddenByPath.emplace(*stored.sourcePath, &stored);
}

void Store::removeHiddenFromMaps(const ShelfItem& stored) {
    if (stored.sourcePath) eraseEntry(m_hiddenByPath, *stored.sourcePath, stored);
}

// Hidden items count as users too: a file shared with a hidden item must survive the shown one's removal,
// or unhiding would bring back an item without its copy. Files are looked up only when some are about to go,
// so the items are read then rather than a count kept per file.
void Store::forEachCopyURL(const std::function<void(const Url&)>& visit) const {
    auto visitItem = [&visit](const ShelfItem& item) {
        if (item.fileURL) visit(*item.fileURL);
        for (const ItemVersion& version : item.versions) visit(version.fileURL);
    };
    for (const auto& [id, item] : m_items) visitItem(item);
    for (const auto& [id, record] : m_hiddenItems) visitItem(record.item);
}

bool Store::isHiddenSourcePath(const std::string& path) const { return m_hiddenByPath.count(path) != 0; }

bool Store::isDeleted(const std::string& id, const std::optional<std::string>& sourcePath,
                      Date createdAt) const {
    auto byID = m_deleted.find(id);
    if (byID != m_deleted.end() && createdAt <= byID->second) return true;
    if (!sourcePath) return false;
    auto byPath = m_deletedPaths.find(*sourcePath);
    return byPath != m_deletedPaths.end() && createdAt <= byPath->second;
}

bool Store::hasIngested(const std::string& path, Date modified) const {
    auto deletedAt = m_deletedPaths.find(path);
    if (deletedAt != m_deletedPaths.end() && deletedAt->second >= modified) return true;
    bool found = false;
    auto check = [&](const ShelfItem& item) { found = found || item.createdAt >= modified; };
    forEachAt(m_byPath, path, check);
    forEachAt(m_hiddenByPath, path, check);
    return found;
}

std::vector<ShelfItem> Store::itemsAtSourcePath(const std::string& path) const {
    std::vector<ShelfItem> result;
    forEachAt(m_byPath, path, [&result](const ShelfItem& item) { result.push_back(item); });
    std::sort(result.begin(), result.end(), byCreationThenID);
    return result;
}

std::vector<ShelfItem> Store::itemsWithContent(const std::string& key) const {
    std::vector<ShelfItem> result;
    forEachAt(m_byContent, key, [&result](const ShelfItem& item) { result.push_back(item); });
    std::sort(result.begin(), result.end(), byCreationThenID);
    return result;
}

std::optional<ShelfItem> Store::artifactForPath(const std::string& path) const {
    std::optional<ShelfItem> newest;
    for (ShelfItem& item : itemsAtSourcePath(path)) {
        if (item.kind == ShelfItemKind::artifact) newest = std::move(item);
    }
    return newest;
}

bool Store::upsert(const ShelfItem& item) {
    assertOnQueue();
    if (m_hiddenItems.count(item.id) != 0) return false;
    auto found = m_items.find(item.id);
    if (found != m_items.end()) {
        if (found->second == item) return false;
        removeFromMaps(found->second);
        found->second = item;
    } else {
        found = m_items.emplace(item.id, item).first;
        m_arrived.push_back(item.id);
    }
    addToMaps(found->second);
    recordChange(true);
    return true;
}

bool Store::upsert(const Session& session) {
    assertOnQueue();
    auto [found, inserted] = m_sessions.try_emplace(session.id, session);
    if (!inserted) {
        if (found->second == session) return false;
        found->second = session;
    }
    recordChange(true);
    return true;
}

bool Store::upsert(const Prompt& prompt) {
    assertOnQueue();
    auto [found, inserted] = m_prompts.try_emplace(prompt.id, prompt);
    if (!inserted) {
        if (found->second == prompt) return false;
        found->second = prompt;
    }
    m_promptsBySessionStale = true;
    recordChange(true);
    return true;
}

bool Store::remove(const std::string& id) {
    assertOnQueue();
    auto found = m_items.find(id);
    if (found == m_items.end()) return false;
    removeFromMaps(found->second);
    ShelfItem item = std::move(found->second);
    m_items.erase(found);
    recordChange(true);
    discardFiles(item);
    return true;
}

void Store::dropFiles(const std::vector<ItemVersion>& versions) {
    assertOnQueue();
    for (const ItemVersion& version : versions) {
        if (auto path = version.fileURL.path()) discardFile(*path);
    }
    // With nothing unsaved the index on disk names exactly what memory holds, so unused files may go now.
    if (!m_indexDirty) deleteDiscardedFiles();
}

void Store::markSeen(const std::vector<std::string>& ids, Date at) {
    assertOnQueue();
    bool changed = false;
    for (const std::string& id : ids) {
        auto found = m_items.find(id);
        if (found == m_items.end() || found->second.seenAt == at) continue;
        found->second.seenAt = at;
        changed = true;
    }
    if (changed) recordChange(true);
}

void Store::hide(const std::string& id) {
    assertOnQueue();
    bool changed = m_hidden.insert(id).second;
    if (auto found = m_items.find(id); found != m_items.end()) {
        removeFromMaps(found->second);
        ShelfItem item = std::move(found->second);
        m_items.erase(found);
        if (auto old = m_hiddenItems.find(id); old != m_hiddenItems.end())
            removeHiddenFromMaps(old->second.item);
        auto record = m_hiddenItems.insert_or_assign(id, HiddenRecord{std::move(item), m_now()}).first;
        addHiddenToMaps(record->second.item);
        changed = true;
    }
    if (changed) recordChange(true);
}

bool Store::unhide(const std::string& id) {
    assertOnQueue();
    bool changed = m_hidden.erase(id) > 0;
    bool cameBack = false;
    if (auto found = m_hiddenItems.find(id); found != m_hiddenItems.end()) {
        removeHiddenFromMaps(found->second.item);
        ShelfItem item = std::move(found->second.item);
        m_hiddenItems.erase(found);
        if (auto old = m_items.find(id); old != m_items.end()) removeFromMaps(old->second);
        auto stored = m_items.insert_or_assign(id, std::move(item)).first;
        addToMaps(stored->second);
        cameBack = true;
    }
    if (changed || cameBack) recordChange(true);
    return cameBack;
}

int Store::deleteItems(const std::vector<std::string>& ids) {
    assertOnQueue();
    Date now = m_now();
    std::vector<ShelfItem> taken;
    for (const std::string& id : ids) {
        if (auto found = m_items.find(id); found != m_items.end()) {
            removeFromMaps(found->second);
            taken.push_back(std::move(found->second));
            m_items.erase(found);
        } else if (auto hidden = m_hiddenItems.find(id); hidden != m_hiddenItems.end()) {
            removeHiddenFromMaps(hidden->second.item);
            taken.push_back(std::move(hidden->second.item));
            m_hiddenItems.erase(hidden);
        } else {
            continue;
        }
        m_deleted.insert_or_assign(id, now);
        if (taken.back().sourcePath) m_deletedPaths.insert_or_assign(*taken.back().sourcePath, now);
    }
    if (taken.empty()) return 0;
    recordChange(true);
    for (const ShelfItem& item : taken) discardFiles(item);
    return static_cast<int>(taken.size());
}

std::vector<std::string> Store::deleteAll(const std::set<std::string>& sparing) {
    assertOnQueue();
    std::vector<std::string> ids;
    for (const auto& [id, item] : m_items) {
        if (sparing.count(id) == 0) ids.push_back(id);
    }
    for (const auto& [id, record] : m_hiddenItems) {
        if (sparing.count(id) == 0) ids.push_back(id);
    }
    deleteItems(ids);
    return ids;
}

std::vector<std::string> Store::purge(Date cutoff) {
    assertOnQueue();
    std::vector<std::string> removed;
    std::vector<ShelfItem> taken;
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it->second.createdAt >= cutoff) {
            ++it;
            continue;
        }
        removed.push_back(it->first);
        removeFromMaps(it->second);
        taken.push_back(std::move(it->second));
        it = m_items.erase(it);
    }
    for (auto it = m_hiddenItems.begin(); it != m_hiddenItems.end();) {
        if (it->second.hiddenAt >= cutoff) {
            ++it;
            continue;
        }
        removed.push_back(it->first);
        removeHiddenFromMaps(it->second.item);
        taken.push_back(std::move(it->second.item));
        it = m_hiddenItems.erase(it);
    }
    bool changed = !taken.empty();
    auto dropBefore = [&](std::map<std::string, Date>& dates) {
        changed |= std::erase_if(dates, [&](const auto& entry) { return entry.second < cutoff; }) > 0;
    };
    dropBefore(m_deleted);
    dropBefore(m_deletedPaths);
    dropBefore(m_titleChecks);

    std::set<std::string> liveSessions;
    for (const auto& [id, item] : m_items) liveSessions.insert(item.sessionID);
    changed |= std::erase_if(m_sessions, [&](const auto& entry) {
                   return liveSessions.count(entry.first) == 0 && entry.second.lastActive < cutoff;
               }) > 0;
    auto droppedPrompts = std::erase_if(m_prompts, [&](const auto& entry) {
        return liveSessions.count(entry.second.sessionID) == 0 && entry.second.at < cutoff;
    });
    if (droppedPrompts > 0) {
        m_promptsBySessionStale = true;
        changed = true;
    }

    auto droppedOffsets =
        std::erase_if(m_offsets.offsets, [](const auto& entry) { return !FileSystem::exists(entry.first); });
    std::erase_if(m_offsets.identities,
                  [this](const auto& entry) { return !m_offsets.offsets.contains(entry.first); });
    if (droppedOffsets > 0) {
        m_offsetsDirty = true;
        scheduleOffsetsWrite(m_offsetsDebounce);
    }
    if (changed) recordChange(true);
    for (const ShelfItem& item : taken) discardFiles(item);
    return removed;
}

void Store::trimVersions(std::size_t keeping) {
    assertOnQueue();
    std::vector<ItemVersion> dropped;
    auto trim = [&](ShelfItem& item) {
        if (item.versions.size() <= keeping) return false;
        auto cut = item.versions.begin() + static_cast<std::ptrdiff_t>(item.versions.size() - keeping);
        std::move(item.versions.begin(), cut, std::back_inserter(dropped));
        item.versions.erase(item.versions.begin(), cut);
        return true;
    };
    bool changed = false;
    for (auto& [id, item] : m_items) changed |= trim(item);
    for (auto& [id, record] : m_hiddenItems) changed |= trim(record.item);
    if (!changed) return;
    recordChange(true);
    for (const ItemVersion& version : dropped) {
        if (auto path = version.fileURL.path()) discardFile(*path);
    }
}

std::optional<FileIdentity> Store::offsetIdentity(const std::string& path) const {
    auto found = m_offsets.identities.find(path);
    if (found == m_offsets.identities.end()) return std::nullopt;
    return found->second;
}

void Store::setOffset(std::uint64_t offset, const std::string& path, std::optional<FileIdentity> identity) {
    assertOnQueue();
    auto stored = m_offsets.offsets.find(path);
    if (stored != m_offsets.offsets.end() && stored->second == offset && offsetIdentity(path) == identity)
        return;
    m_offsets.offsets[path] = offset;
    if (identity) {
        m_offsets.identities[path] = *identity;
    } else {
        m_offsets.identities.erase(path);
    }
    m_offsetsDirty = true;
    scheduleOffsetsWrite(m_offsetsDebounce);
}

void Store::setTitleChecked(const std::string& path, Date modified) {
    assertOnQueue();
    auto [found, inserted] = m_titleChecks.try_emplace(path, modified);
    if (!inserted) {
        if (found->second == modified) return;
        found->second = modified;
    }
    recordChange(false);
}

void Store::setNeedsSave() {
    assertOnQueue();
    recordChange(false);
}

void Store::recordChange(bool visible) {
    if (visible) ++m_revision;
    m_indexDirty = true;
    scheduleIndexWrite(m_debounce);
}

void Store::scheduleIndexWrite(double delay) {
    if (m_autosave == nullptr || m_indexWritePending) return;
    m_indexWritePending = true;
    m_indexWrite = m_autosave->postAfter(delay, [this] {
        m_indexWritePending = false;
        if (m_indexDirty && !writeIndex()) scheduleIndexWrite(failedWriteRetry);
    });
}

void Store::scheduleOffsetsWrite(double delay) {
    if (m_autosave == nullptr || m_offsetsWritePending) return;
    m_offsetsWritePending = true;
    m_offsetsWrite = m_autosave->postAfter(delay, [this] {
        m_offsetsWritePending = false;
        // Offsets past lines whose items are not on disk would lose those items for good after a crash;
        // unsaved offsets only mean reading the lines again.
        if ((m_indexDirty && !writeIndex()) || (m_offsetsDirty && !writeOffsets())) {
            scheduleOffsetsWrite(failedWriteRetry);
        }
    });
}

bool Store::flush() {
    assertOnQueue();
    m_indexWrite.cancel();
    m_offsetsWrite.cancel();
    m_indexWritePending = false;
    m_offsetsWritePending = false;
    return writeIndex() && writeOffsets();
}

void Store::setOnProblem(ProblemHandler handler) {
    m_onProblem = std::move(handler);
    if (!m_onProblem) return;
    for (const Problem& problem : m_loadProblems) m_onProblem(problem);
    m_loadProblems.clear();
}

// Only changes are reported: a disk that stays full fails every write, and the user needs to hear it once.
void Store::report(Problem::Kind kind, std::string detail, bool failed) {
    bool known = m_failing.count(kind) != 0;
    if (failed == known) return;
    if (failed) {
        m_failing.insert(kind);
    } else {
        m_failing.erase(kind);
    }
    if (m_onProblem) m_onProblem({kind, std::move(detail), !failed});
}

bool Store::writeIndex() {
    Index index;
    index.lastRunAt = m_now();
    Index::Lists lists;
    lists.items.reserve(m_items.size());
    for (const auto& [id, item] : m_items) lists.items.push_back(&item);
    lists.sessions.reserve(m_sessions.size());
    for (const auto& [id, session] : m_sessions) lists.sessions.push_back(&session);
    lists.prompts.reserve(m_prompts.size());
    for (const auto& [id, prompt] : m_prompts) lists.prompts.push_back(&prompt);
    index.hidden.assign(m_hidden.begin(), m_hidden.end());
    for (const auto& [id, record] : m_hiddenItems) index.hiddenItems.push_back(record);
    index.deleted = m_deleted;
    index.deletedPaths = m_deletedPaths;
    index.titleChecks = m_titleChecks;
    auto produce = [&index, &lists](const AtomicFile::Put& put) { index.encode(lists, put); };
    if (auto error = AtomicFile::writeStreaming(m_indexPath, produce)) {
        m_log.error("{} not saved: {} {}", "index", error.category().name(), error.value());
        report(Problem::Kind::indexNotSaved, error.message(), true);
        return false;
    }
    report(Problem::Kind::indexNotSaved, "", false);
    m_indexDirty = false;
    deleteDiscardedFiles();
    // Index writes are debounced, so this comes once a burst of captures has passed through: a moment to
    // give back the pages their bytes and pixels held.
    ProcessMemory::release();
    return true;
}

bool Store::writeOffsets() {
    if (auto error = AtomicFile::write(m_offsetsPath, OffsetsFile::encode(m_offsets))) {
        m_log.error("{} not saved: {} {}", "offsets", error.category().name(), error.value());
        report(Problem::Kind::offsetsNotSaved, error.message(), true);
        return false;
    }
    report(Problem::Kind::offsetsNotSaved, "", false);
    m_offsetsDirty = false;
    return true;
}

}  // namespace brimly
