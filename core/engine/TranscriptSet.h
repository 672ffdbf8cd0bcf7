#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/base/SerialQueue.h"
#include "core/base/Url.h"
#include "core/engine/TranscriptTailer.h"

namespace brimly {

class Store;

// The registry of Claude Code transcripts under the projects folder: which paths are transcripts, which
// changed lately, and one open tailer per transcript being followed, started at the offset the store
// remembers and written back after every batch. A batch the consumer holds back keeps the offset before it
// and is read again after a growing delay. Used only on the engine queue.
class TranscriptSet {
public:
    static constexpr std::uint64_t window = TranscriptTailer::defaultWindow;
    static constexpr double firstRetryDelay = 2;
    static constexpr double longestRetryDelay = 300;
    using Retry = std::function<void(const std::string& path)>;

    TranscriptSet(Url projectsRoot, Store& store, std::int64_t chunk);

    const Url& projectsRoot() const { return m_projectsRoot; }
    const std::string& base() const { return m_base; }
    std::int64_t chunk() const { return m_chunk; }

    bool owns(const std::string& path) const;
    bool isOpen(const std::string& path) const;
    std::string path(const std::string& slug, const std::string& sessionID) const;
    // Main and subagent transcripts modified at or after `now - within`, in no particular order.
    std::vector<std::string> recent(double within, Date now) const;
    void read(const std::string& path, Date now, const std::function<void(TranscriptBatch)>& each);
    // Called from `each` of `read`: the batch could not be taken whole for a reason that may pass (a full
    // disk), so the transcript's offset stays before it and `retry` is asked to read it again later.
    void holdBack();
    // Where held-back transcripts are read again: `retry` runs on `queue` after 2 s, doubling up to 5 min
    // while the transcript keeps being held back.
    void setRetry(SerialQueue& queue, Retry retry);
    // The delay before the next retry of a held-back transcript; nothing when it is not held back.
    std::optional<double> retryDelay(const std::string& path) const;
    // Closes tailers idle longer than `idleFor`, or than `waiting` when they still await tool results.
    void prune(double idleFor, double waiting, Date now);

private:
    void storeOffset(const std::string& path, const TranscriptTailer& tailer);
    void scheduleRetry(const std::string& path);

    struct Held {
        double delay = firstRetryDelay;
        TaskHandle timer;
    };

    Url m_projectsRoot;
    std::string m_base;
    Store& m_store;
    std::map<std::string, std::unique_ptr<TranscriptTailer>> m_tailers;
    std::map<std::string, Date> m_lastRead;
    std::int64_t m_chunk;
    // The tailer whose batch `each` is handling, and whether `holdBack` was called for that batch.
    TranscriptTailer* m_reading = nullptr;
    bool m_heldNow = false;
    SerialQueue* m_retryQueue = nullptr;
    Retry m_retry;
    std::map<std::string, Held> m_held;
};

}  // namespace brimly
