#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Url.h"
#include "core/engine/TranscriptTailer.h"

namespace brimly {

class Store;

// The registry of Claude Code transcripts under the projects folder: which paths are transcripts, which
// changed lately, and one open tailer per transcript being followed, started at the offset the store
// remembers and written back after every batch. Used only on the engine queue.
class TranscriptSet {
public:
    static constexpr std::uint64_t window = TranscriptTailer::defaultWindow;

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
    // Closes tailers idle longer than `idleFor`, or than `waiting` when they still await tool results.
    void prune(double idleFor, double waiting, Date now);

    const TranscriptTailer* tailer(const std::string& path) const;

private:
    void storeOffset(const std::string& path, const TranscriptTailer& tailer);

    Url m_projectsRoot;
    std::string m_base;
    Store& m_store;
    std::map<std::string, std::unique_ptr<TranscriptTailer>> m_tailers;
    std::map<std::string, Date> m_lastRead;
    std::int64_t m_chunk;
};

}  // namespace brimly
