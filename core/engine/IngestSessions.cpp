#include <map>

#include "core/base/Utf8.h"
#include "core/engine/Ingest.h"

namespace brimly {

void Ingest::noteTitle(const SessionTitle& title, std::optional<Date> fileCreated) {
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
