#include "core/shelf/ShelfGroups.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_map>

#include "core/shelf/FolderLabels.h"

namespace brimly::ShelfGroups {

namespace {

struct PendingTurn {
    std::string id;
    std::vector<const ShelfItem*> items;
};

Date turnDate(const Turn& turn) { return turn.prompt ? turn.prompt->at : turn.items.front().createdAt; }

bool turnComesFirst(const Turn& a, const Turn& b) {
    bool aEarlier = a.isEarlier();
    bool bEarlier = b.isEarlier();
    if (aEarlier != bEarlier) return !aEarlier;
    Date aDate = turnDate(a);
    Date bDate = turnDate(b);
    if (aDate != bDate) return aDate > bDate;
    return a.id < b.id;
}

Session substituteSession(const std::string& id, const std::vector<const ShelfItem*>& newestFirst) {
    Session session;
    session.id = id;
    session.startedAt = newestFirst.back()->createdAt;
    session.lastActive = newestFirst.front()->createdAt;
    return session;
}

SessionGroup makeGroup(const std::string& sessionID, const std::vector<const ShelfItem*>& items,
                       const std::unordered_map<std::string_view, const Session*>& sessions,
                       const std::unordered_map<std::string_view, const Prompt*>& prompts) {
    std::vector<PendingTurn> pending;
    std::unordered_map<std::string, std::size_t> turnIndex;
    for (const ShelfItem* item : items) {
        std::string id = Turn::idFor(*item);
        auto [slot, inserted] = turnIndex.try_emplace(id, pending.size());
        if (inserted) pending.push_back({std::move(id), {}});
        pending[slot->second].items.push_back(item);
    }

    SessionGroup group;
    group.turns.reserve(pending.size());
    for (auto& p : pending) {
        Turn turn;
        auto prompt = prompts.find(p.id);
        if (prompt != prompts.end()) turn.prompt = *prompt->second;
        turn.items.reserve(p.items.size());
        for (const ShelfItem* item : p.items) turn.items.push_back(*item);
        turn.id = std::move(p.id);
        group.turns.push_back(std::move(turn));
    }
    std::sort(group.turns.begin(), group.turns.end(), turnComesFirst);

    auto session = sessions.find(sessionID);
    group.session = session != sessions.end() ? *session->second : substituteSession(sessionID, items);
    Date newestItem = items.front()->createdAt;
    group.newest = newestItem >= group.session.lastActive ? newestItem : group.session.lastActive;
    return group;
}

}  // namespace

std::vector<SessionGroup> build(const Snapshot& snapshot) {
    std::vector<Session> labelled = FolderLabels::applied(snapshot.sessions);
    std::unordered_map<std::string_view, const Session*> sessions;
    for (const auto& session : labelled) sessions.try_emplace(session.id, &session);
    std::unordered_map<std::string_view, const Prompt*> prompts;
    for (const auto& prompt : snapshot.prompts) prompts.try_emplace(prompt.id, &prompt);

    std::vector<const ShelfItem*> sorted;
    sorted.reserve(snapshot.items.size());
    for (const auto& item : snapshot.items) sorted.push_back(&item);
    std::sort(sorted.begin(), sorted.end(), [](const ShelfItem* a, const ShelfItem* b) {
        if (a->createdAt != b->createdAt) return a->createdAt > b->createdAt;
        return a->id < b->id;
    });

    std::vector<std::pair<std::string_view, std::vector<const ShelfItem*>>> bySession;
    std::unordered_map<std::string_view, std::size_t> sessionIndex;
    for (const ShelfItem* item : sorted) {
        auto [slot, inserted] = sessionIndex.try_emplace(item->sessionID, bySession.size());
        if (inserted) bySession.emplace_back(item->sessionID, std::vector<const ShelfItem*>{});
        bySession[slot->second].second.push_back(item);
    }

    std::vector<SessionGroup> groups;
    groups.reserve(bySession.size());
    for (const auto& [sessionID, items] : bySession) {
        groups.push_back(makeGroup(std::string(sessionID), items, sessions, prompts));
    }
    std::sort(groups.begin(), groups.end(), [](const SessionGroup& a, const SessionGroup& b) {
        if (a.newest != b.newest) return a.newest > b.newest;
        return a.session.id < b.session.id;
    });
    return groups;
}

std::int64_t captureSequence(std::string_view captureID) {
    while (captureID.ends_with('#')) captureID.remove_suffix(1);
    auto hash = captureID.rfind('#');
    std::string_view piece = hash == std::string_view::npos ? captureID : captureID.substr(hash + 1);
    // A leading plus sign is part of a decimal integer, but from_chars does not take it.
    if (piece.size() > 1 && piece.front() == '+' && piece[1] != '-') piece.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (piece.empty() || error != std::errc{} || end != piece.data() + piece.size()) return 0;
    return value;
}

std::vector<ShelfItem> arrivalOrder(std::vector<ShelfItem> items) {
    std::vector<std::pair<std::int64_t, std::size_t>> keys;
    keys.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        keys.emplace_back(items[i].captureID ? captureSequence(*items[i].captureID) : 0, i);
    }
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const ShelfItem& x = items[a.second];
        const ShelfItem& y = items[b.second];
        if (x.createdAt != y.createdAt) return x.createdAt < y.createdAt;
        if (a.first != b.first) return a.first < b.first;
        return x.id < y.id;
    });
    std::vector<ShelfItem> ordered;
    ordered.reserve(items.size());
    for (const auto& key : keys) ordered.push_back(std::move(items[key.second]));
    return ordered;
}

}  // namespace brimly::ShelfGroups
