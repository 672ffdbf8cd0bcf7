#include "core/shelf/ShelfState.h"

#include <string_view>
#include <unordered_set>

#include "core/base/Overloaded.h"
#include "core/shelf/ShelfGroups.h"

namespace brimly {

namespace {

std::string_view folderPart(std::string_view path) {
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::unordered_set<std::string_view> idsOf(const std::vector<ShelfItem>& items) {
    std::unordered_set<std::string_view> ids;
    ids.reserve(items.size());
    for (const auto& item : items) ids.insert(item.id);
    return ids;
}

}  // namespace

std::optional<std::string> ShelfState::placementKey(const ShelfItem& item) {
    if (item.sourceKinds != std::set<Source>{Source::folder}) return std::nullopt;
    std::string key = item.sessionID;
    key += '|';
    if (item.sourcePath) key += folderPart(*item.sourcePath);
    return key;
}

std::vector<ShelfItem> ShelfState::apply(Snapshot snapshot) {
    m_snapshot = std::move(snapshot);

    if (!m_committed.empty()) {
        auto inItems = idsOf(m_snapshot.items);
        auto inHidden = idsOf(m_snapshot.hidden);
        // A committed hide is done once the item has left `items`: from then on the engine lists it as
        // hidden, and the shelf must show it there so that it can be brought back. A deletion is done once
        // no list holds it.
        std::erase_if(m_committed, [&](const std::string& id) {
            bool isHide = m_committedHides.contains(id);
            bool stillThere = inItems.contains(id) || (!isHide && inHidden.contains(id));
            if (!stillThere && isHide) m_committedHides.erase(id);
            return !stillThere;
        });
    }

    std::set<std::string> pendingExcluded = m_pending ? m_pending->excluded() : std::set<std::string>{};
    auto isGone = [&](const std::string& id) {
        return m_committed.contains(id) || pendingExcluded.contains(id);
    };

    std::unordered_set<std::string_view> fresh;
    for (const auto& item : m_snapshot.items) {
        std::optional<std::string> key = placementKey(item);
        auto [entry, inserted] = m_known.try_emplace(item.id, key);
        bool isNew = inserted || (entry->second && key && *entry->second != *key);
        if (!inserted) entry->second = std::move(key);
        if (isNew && item.isUnread() && !isGone(item.id)) fresh.insert(item.id);
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
