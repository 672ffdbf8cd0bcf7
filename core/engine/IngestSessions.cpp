#include <algorithm>
#include <map>

#include "core/base/Utf8.h"
#include "core/engine/Ingest.h"
#include "core/engine/TranscriptBatch.h"

namespace brimly {

std::vector<Ingest::Outcome> Ingest::apply(const TranscriptBatch& batch) {
    for (const SessionSighting& sighting : batch.sessions) noteSession(sighting);
    for (const SessionTitle& title : batch.titles) noteTitle(title, batch.fileCreated);
    for (const Prompt& prompt : batch.prompts) notePrompt(prompt);
    std::vector<Outcome> outcomes;
    outcomes.reserve(batch.candidates.size());
    for (const Candidate& candidate : batch.candidates) outcomes.push_back(ingest(candidate));
    return outcomes;
}

void Ingest::noteSession(const SessionSighting& sighting) {
    m_store.assertOnQueue();
    Date first = sighting.firstAt.value_or(sighting.at);
    Date start = sighting.fileCreated && *sighting.fileCreated < first ? *sighting.fileCreated : first;
    auto found = m_store.sessions().find(sighting.id);
    if (found == m_store.sessions().end()) {
        Session session;
        session.id = sighting.id;
        session.slug = sighting.slug;
        session.cwd = sighting.cwd;
        session.branch = sighting.branch;
        session.startedAt = start;
        session.lastActive = sighting.at;
        m_store.upsert(session);
    } else {
        const Session& stored = found->second;
        Session session = stored;
        if (!session.slug) session.slug = sighting.slug;
        if (sighting.cwd) session.cwd = sighting.cwd;
        if (sighting.branch) session.branch = sighting.branch;
        session.startedAt = std::min(session.startedAt, start);
        session.lastActive = std::max(session.lastActive, sighting.at);
        // Every line of a busy transcript is a sighting; a last activity a few seconds newer is not worth
        // an index write.
        Session withOldActivity = session;
        withOldActivity.lastActive = stored.lastActive;
        bool onlyActivityMoved = withOldActivity == stored;
        if (!onlyActivityMoved || session.lastActive - stored.lastActive >= lastActiveGranularity) {
            m_store.upsert(session);
        }
    }
    m_activity.touch(sighting.id, sighting.at);
}

void Ingest::noteTitle(const SessionTitle& title, std::optional<Date> fileCreated) {
    m_store.assertOnQueue();
    std::string trimmed(Utf8::trimWhitespaceAndNewlines(title.text));
    std::optional<std::string> text = trimmed.empty() ? std::nullopt : std::optional<std::string>(trimmed);

    Session session;
    if (auto found = m_store.sessions().find(title.sessionID); found != m_store.sessions().end()) {
        session = found->second;
    } else {
        session.id = title.sessionID;
        session.slug = title.slug;
        session.startedAt = fileCreated.value_or(m_clock.now());
        session.lastActive = session.startedAt;
    }
    switch (title.kind) {
        case SessionTitle::Kind::agentName:
            session.agentName = text;
            break;
        case SessionTitle::Kind::custom:
            session.customTitle = text;
            break;
        case SessionTitle::Kind::ai:
            session.aiTitle = text;
            break;
    }
    m_store.upsert(session);
}

void Ingest::notePrompt(const Prompt& prompt) {
    m_store.assertOnQueue();
    m_store.upsert(prompt);
    auto found = m_store.sessions().find(prompt.sessionID);
    if (found == m_store.sessions().end()) return;
    if (found->second.firstPromptAt && *found->second.firstPromptAt <= prompt.at) return;
    Session session = found->second;
    session.firstPrompt = prompt.text;
    session.firstPromptAt = prompt.at;
    m_store.upsert(session);
}

void Ingest::backfillFirstPrompts() {
    m_store.assertOnQueue();
    // The earliest prompt of each session; on equal times the smaller id, so repeated runs agree.
    std::map<std::string, const Prompt*> earliest;
    for (const auto& [id, prompt] : m_store.prompts()) {
        auto [found, inserted] = earliest.try_emplace(prompt.sessionID, &prompt);
        if (!inserted && prompt.at < found->second->at) found->second = &prompt;
    }
    std::vector<Session> changed;
    for (const auto& [sessionID, prompt] : earliest) {
        auto found = m_store.sessions().find(sessionID);
        if (found == m_store.sessions().end()) continue;
        if (found->second.firstPromptAt && *found->second.firstPromptAt <= prompt->at) continue;
        Session session = found->second;
        session.firstPrompt = prompt->text;
        session.firstPromptAt = prompt->at;
        changed.push_back(std::move(session));
    }
    for (const Session& session : changed) m_store.upsert(session);
}

}  // namespace brimly
