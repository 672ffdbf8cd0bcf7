// Building the Store's snapshots: the newest items with their sessions and prompts, and the hidden items.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "core/store/Store.h"

namespace brimly {

std::shared_ptr<const Snapshot> Store::snapshot(std::size_t limit) {
    assertOnQueue();
    if (m_cachedSnapshot && m_cachedSnapshot->revision == m_revision && m_cachedSnapshot->limit == limit) {
        return m_cachedSnapshot->snapshot;
    }
    auto built = buildSnapshot(limit);
    m_cachedSnapshot = CachedSnapshot{m_revision, limit, built};
    return built;
}

const std::vector<const Prompt*>& Store::promptsOfSession(const std::string& sessionID) {
    if (m_promptsBySessionStale) {
        m_promptsBySession.clear();
        for (const auto& [id, prompt] : m_prompts) m_promptsBySession[prompt.sessionID].push_back(&prompt);
        for (auto& [session, prompts] : m_promptsBySession) {
            std::sort(prompts.begin(), prompts.end(), [](const Prompt* left, const Prompt* right) {
                if (left->at != right->at) return left->at < right->at;
                return left->id < right->id;
            });
        }
        m_promptsBySessionStale = false;
    }
    static const std::vector<const Prompt*> none;
    auto found = m_promptsBySession.find(sessionID);
    return found == m_promptsBySession.end() ? none : found->second;
}

std::optional<std::string> Store::promptAt(const std::string& sessionID, Date at) {
    const auto& prompts = promptsOfSession(sessionID);
    auto after = std::upper_bound(prompts.begin(), prompts.end(), at,
                                  [](Date time, const Prompt* prompt) { return time < prompt->at; });
    if (after == prompts.begin()) return std::nullopt;
    return (*std::prev(after))->id;
}

std::shared_ptr<const Snapshot> Store::buildSnapshot(std::size_t limit) {
    ++m_snapshotBuilds;
    std::vector<const ShelfItem*> newest;
    newest.reserve(m_items.size());
    for (const auto& [id, item] : m_items) newest.push_back(&item);
    auto shown = std::min(limit, newest.size());
    auto end = newest.begin() + static_cast<std::ptrdiff_t>(shown);
    std::partial_sort(newest.begin(), end, newest.end(), [](const ShelfItem* left, const ShelfItem* right) {
        if (left->createdAt != right->createdAt) return left->createdAt > right->createdAt;
        return left->id < right->id;
    });

    auto snapshot = std::make_shared<Snapshot>();
    snapshot->shelfSize = m_items.size();
    snapshot->items.reserve(shown);
    std::unordered_set<std::string> sessionIDs;
    std::unordered_set<std::string> promptIDs;
    auto withPrompts = [&](ShelfItem item) {
        if (!item.promptID) item.promptID = promptAt(item.sessionID, item.createdAt);
        for (ItemVersion& version : item.versions) {
            if (!version.promptID) version.promptID = promptAt(item.sessionID, version.createdAt);
        }
        return item;
    };
    for (auto it = newest.begin(); it != end; ++it) {
        ShelfItem item = withPrompts(**it);
        sessionIDs.insert(item.sessionID);
        if (item.promptID) promptIDs.insert(*item.promptID);
        for (const ItemVersion& version : item.versions) {
            if (version.promptID) promptIDs.insert(*version.promptID);
        }
        snapshot->items.push_back(std::move(item));
    }
    // Most snapshots follow no new item; only those that do look for which arrivals the window left out.
    std::unordered_set<std::string_view> shownIDs;
    if (!m_arrived.empty()) {
        for (const ShelfItem& item : snapshot->items) shownIDs.insert(item.id);
    }
    for (const std::string& id : m_arrived) {
        auto found = m_items.find(id);
        if (found == m_items.end() || !shownIDs.insert(id).second) continue;
        auto session = m_sessions.find(found->second.sessionID);
        snapshot->arrivedBeyondLimit.push_back(
            {withPrompts(found->second),
             session == m_sessions.end() ? std::nullopt : std::optional<Session>(session->second)});
    }
    m_arrived.clear();

    for (const std::string& id : sessionIDs) {
        if (auto found = m_sessions.find(id); found != m_sessions.end()) {
            snapshot->sessions.push_back(found->second);
        }
    }
    std::sort(snapshot->sessions.begin(), snapshot->sessions.end(),
              [](const Session& left, const Session& right) {
                  if (left.lastActive != right.lastActive) return left.lastActive > right.lastActive;
                  return left.id < right.id;
              });

    for (const std::string& id : promptIDs) {
        if (auto found = m_prompts.find(id); found != m_prompts.end())
            snapshot->prompts.push_back(found->second);
    }
    std::sort(snapshot->prompts.begin(), snapshot->prompts.end(),
              [](const Prompt& left, const Prompt& right) {
                  if (left.at != right.at) return left.at < right.at;
                  return left.id < right.id;
              });

    std::vector<const HiddenRecord*> hidden;
    hidden.reserve(m_hiddenItems.size());
    for (const auto& [id, record] : m_hiddenItems) hidden.push_back(&record);
    std::sort(hidden.begin(), hidden.end(), [](const HiddenRecord* left, const HiddenRecord* right) {
        if (left->hiddenAt != right->hiddenAt) return left->hiddenAt > right->hiddenAt;
        return left->item.id < right->item.id;
    });
    snapshot->hidden.reserve(hidden.size());
    for (const HiddenRecord* record : hidden) snapshot->hidden.push_back(record->item);
    return snapshot;
}

}  // namespace brimly
