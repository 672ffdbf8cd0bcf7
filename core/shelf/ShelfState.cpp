#include "core/shelf/ShelfState.h"

#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/base/Overloaded.h"
#include "core/shelf/ShelfGroups.h"

namespace brimly {

namespace {

std::string_view folderPart(std::string_view path) {
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool samePlacement(const ShelfItem& a, const ShelfItem& b) {
    return a.id == b.id && a.sessionID == b.sessionID && a.sourcePath == b.sourcePath &&
           a.sourceKinds == b.sourceKinds;
}

// Successive snapshots mostly list the same items in the same order, with arrivals in front and a removal
// here and there. An item found at the walking position of the previous snapshot, with the same placement,
// already has its current entry in `known` (the previous apply wrote it), which spares the hash look-up
// that dominates applying thousands of items. Anything else takes the full path.
bool matchesPrevious(const ShelfItem& item, const std::vector<ShelfItem>& previous, std::size_t& next) {
    for (std::size_t skip = 0; skip < 2 && next + skip < previous.size(); ++skip) {
        if (samePlacement(item, previous[next + skip])) {
            next += skip + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> ShelfState::placementKey(const ShelfItem& item) {
    if (item.sourceKinds.size() != 1 || *item.sourceKinds.begin() != Source::folder) return std::nullopt;
    std::string key = item.sessionID;
    key += '|';
    if (item.sourcePath) key += folderPart(*item.sourcePath);
    return key;
}

std::vector<ShelfItem> ShelfState::apply(Snapshot snapshot) {
    Snapshot previous = std::exchange(m_snapshot, std::move(snapshot));

    // Forgetting committed ids that no list holds any more cannot change whether an item of this snapshot
    // is committed, so the arrival test uses the set as it is, and the same pass notes the ids still listed.
    std::set<std::string> pendingExcluded = m_pending ? m_pending->excluded() : std::set<std::string>{};
    std::set<std::string_view> stillListed;
    std::unordered_set<std::string_view> fresh;
    std::size_t next = 0;
    for (const auto& item : m_snapshot.items) {
        bool isNew = false;
        if (!matchesPrevious(item, previous.items, next)) {
            std::optional<std::string> key = placementKey(item);
            auto [entry, inserted] = m_known.try_emplace(item.id, key);
            isNew = inserted || (entry->second && key && *entry->second != *key);
            if (!inserted) entry->second = std::move(key);
        }
        bool isCommitted = !m_committed.empty() && m_committed.contains(item.id);
        if (isCommitted) stillListed.insert(item.id);
        if (isNew && item.isUnread() && !isCommitted && !pendingExcluded.contains(item.id)) {
            fresh.insert(item.id);
        }
    }
    if (!m_committed.empty()) {
        // A deletion is done once no list holds the id. A hide is done once the item has left `items`: from
        // then on the engine lists it as hidden, and the shelf must show it there so that it can come back.
        for (const auto& item : m_snapshot.hidden) {
            if (m_committed.contains(item.id) && !m_committedHides.contains(item.id))
                stillListed.insert(item.id);
        }
        std::erase_if(m_committed, [&](const std::string& id) { return !stillListed.contains(id); });
        std::erase_if(m_committedHides, [&](const std::string& id) { return !stillListed.contains(id); });
    }

    if (!m_hasSnapshot || fresh.empty()) {
        m_hasSnapshot = true;
        return {};
    }
    m_hasSnapshot = true;
    std::vector<ShelfItem> arrivals;
    arrivals.reserve(fresh.size());
    for (const auto& item : m_snapshot.items) {
        if (fresh.contains(item.id)) arrivals.push_back(item);
    }
    return ShelfGroups::arrivalOrder(std::move(arrivals));
}

Snapshot ShelfState::visible() const {
    std::set<std::string> pendingExcluded = m_pending ? m_pending->excluded() : std::set<std::string>{};
    if (m_committed.empty() && pendingExcluded.empty()) return m_snapshot;
    auto goneFromItems = [&](const ShelfItem& item) {
        return m_committed.contains(item.id) || pendingExcluded.contains(item.id);
    };
    auto goneFromHidden = [&](const ShelfItem& item) {
        return pendingExcluded.contains(item.id) ||
               (m_committed.contains(item.id) && !m_committedHides.contains(item.id));
    };
    Snapshot result;
    result.sessions = m_snapshot.sessions;
    result.prompts = m_snapshot.prompts;
    result.items.reserve(m_snapshot.items.size());
    for (const auto& item : m_snapshot.items) {
        if (!goneFromItems(item)) result.items.push_back(item);
    }
    for (const auto& item : m_snapshot.hidden) {
        if (!goneFromHidden(item)) result.hidden.push_back(item);
    }
    return result;
}

std::optional<EngineCommand> ShelfState::hold(PendingUndo removal) {
    auto command = commit();
    m_pending = std::move(removal);
    return command;
}

std::optional<EngineCommand> ShelfState::commit() {
    if (!m_pending) return std::nullopt;
    PendingUndo removal = std::move(*m_pending);
    m_pending.reset();
    return std::visit(Overloaded{
                          [&](const PendingUndo::Hide& hide) -> EngineCommand {
                              // An id already committed as a deletion stays one: hiding cannot bring it back.
                              if (m_committed.insert(hide.item.id).second)
                                  m_committedHides.insert(hide.item.id);
                              return {EngineCommand::Hide{{hide.item.id}}};
                          },
                          [&](const PendingUndo::Delete& remove) -> EngineCommand {
                              for (const auto& id : remove.ids) {
                                  m_committed.insert(id);
                                  m_committedHides.erase(id);
                              }
                              return {EngineCommand::Delete{{remove.ids.begin(), remove.ids.end()}}};
                          },
                          [&](const PendingUndo::DeleteAll& all) -> EngineCommand {
                              for (const auto& id : all.ids) {
                                  m_committed.insert(id);
                                  m_committedHides.erase(id);
                              }
                              // Whatever arrived after the user chose "Delete All Items" is spared.
                              std::set<std::string> sparing;
                              for (const auto* list : {&m_snapshot.items, &m_snapshot.hidden}) {
                                  for (const auto& item : *list) {
                                      if (!all.ids.contains(item.id)) sparing.insert(item.id);
                                  }
                              }
                              return {EngineCommand::DeleteAll{std::move(sparing)}};
                          },
                      },
                      removal.removal);
}

void ShelfState::unhide(const std::vector<std::string>& ids) {
    for (const auto& id : ids) {
        m_committed.erase(id);
        m_committedHides.erase(id);
    }
}

}  // namespace brimly
