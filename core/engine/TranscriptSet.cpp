#include "core/engine/TranscriptSet.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "core/platform/FileSystem.h"
#include "core/store/Store.h"

namespace brimly {

namespace {

constexpr std::string_view transcriptSuffix = ".jsonl";

bool isTranscriptName(const std::string& name) {
    return name.size() > transcriptSuffix.size() && name.ends_with(transcriptSuffix);
}

}  // namespace

TranscriptSet::TranscriptSet(Url projectsRoot, Store& store, std::int64_t chunk)
    : m_projectsRoot(std::move(projectsRoot)),
      m_base(FileSystem::canonicalPath(m_projectsRoot.path().value_or(""))),
      m_store(store),
      m_chunk(chunk) {}

bool TranscriptSet::owns(const std::string& path) const {
    return path.ends_with(transcriptSuffix) && path.starts_with(m_base + "/");
}

bool TranscriptSet::isOpen(const std::string& path) const { return m_tailers.contains(path); }

std::string TranscriptSet::path(const std::string& slug, const std::string& sessionID) const {
    return m_base + "/" + slug + "/" + sessionID + std::string(transcriptSuffix);
}

std::vector<std::string> TranscriptSet::recent(double within, Date now) const {
    const Date cutoff = now - within;
    std::vector<std::string> found;
    auto take = [&](const std::string& path, const FileInfo& info) {
        if (info.isFile() && info.modifiedAt >= cutoff) found.push_back(path);
    };
    auto projects = FileSystem::list(m_base);
    if (!projects) return found;
    for (const DirectoryEntry& project : *projects) {
        if (!project.info.isDirectory()) continue;
        std::string projectPath = FileSystem::join(m_base, project.name);
        auto entries = FileSystem::list(projectPath);
        if (!entries) continue;
        for (const DirectoryEntry& entry : *entries) {
            std::string entryPath = FileSystem::join(projectPath, entry.name);
            if (isTranscriptName(entry.name)) {
                take(entryPath, entry.info);
                continue;
            }
            if (!entry.info.isDirectory()) continue;
            std::string subagents = FileSystem::join(entryPath, "subagents");
            auto agents = FileSystem::list(subagents);
            if (!agents) continue;
            for (const DirectoryEntry& agent : *agents) {
                if (isTranscriptName(agent.name)) take(FileSystem::join(subagents, agent.name), agent.info);
            }
        }
    }
    return found;
}

void TranscriptSet::read(const std::string& path, Date now,
                         const std::function<void(TranscriptBatch)>& each) {
    m_store.assertOnQueue();
    auto open = m_tailers.find(path);
    if (open == m_tailers.end()) {
        std::optional<std::uint64_t> offset;
        auto stored = m_store.offsets().find(path);
        if (stored != m_store.offsets().end()) offset = stored->second;
        auto made = std::make_unique<TranscriptTailer>(Url::fromPath(path), offset, window, m_chunk,
                                                       m_store.offsetIdentity(path));
        open = m_tailers.emplace(path, std::move(made)).first;
    }
    m_lastRead[path] = now;
    TranscriptTailer& tailer = *open->second;
    bool heldBack = false;
    tailer.read([&](TranscriptBatch batch) {
        TranscriptTailer* outer = std::exchange(m_reading, &tailer);
        bool outerHeld = std::exchange(m_heldNow, false);
        each(std::move(batch));
        bool held = std::exchange(m_heldNow, outerHeld);
        m_reading = outer;
        heldBack = heldBack || held;
        // A held-back batch's offset is stored once the tailer has stepped back before it.
        if (!held) storeOffset(path, tailer);
    });
    storeOffset(path, tailer);
    if (heldBack) {
        scheduleRetry(path);
    } else {
        m_held.erase(path);
    }
}

void TranscriptSet::holdBack() {
    assert(m_reading != nullptr);
    m_reading->holdBack();
    m_heldNow = true;
}

void TranscriptSet::setRetry(SerialQueue& queue, Retry retry) {
    m_retryQueue = &queue;
    m_retry = std::move(retry);
}

std::optional<double> TranscriptSet::retryDelay(const std::string& path) const {
    auto held = m_held.find(path);
    if (held == m_held.end()) return std::nullopt;
    return held->second.delay;
}

void TranscriptSet::scheduleRetry(const std::string& path) {
    auto [held, inserted] = m_held.try_emplace(path);
    if (held->second.timer.isActive()) return;
    if (!inserted) held->second.delay = std::min(held->second.delay * 2, longestRetryDelay);
    if (m_retryQueue == nullptr || !m_retry) return;
    held->second.timer = m_retryQueue->postAfter(held->second.delay, [this, path] {
        if (auto waiting = m_held.find(path); waiting != m_held.end()) waiting->second.timer = TaskHandle();
        m_retry(path);
    });
}

void TranscriptSet::storeOffset(const std::string& path, const TranscriptTailer& tailer) {
    if (auto offset = tailer.offset()) m_store.setOffset(*offset, path, tailer.identity());
}

void TranscriptSet::prune(double idleFor, double waiting, Date now) {
    m_store.assertOnQueue();
    for (auto it = m_lastRead.begin(); it != m_lastRead.end();) {
        const double age = now - it->second;
        auto open = m_tailers.find(it->first);
        bool awaits = open != m_tailers.end() && open->second->awaitsToolResults();
        if (age <= idleFor || (age <= waiting && awaits)) {
            ++it;
            continue;
        }
        m_tailers.erase(it->first);
        it = m_lastRead.erase(it);
    }
}

}  // namespace brimly
