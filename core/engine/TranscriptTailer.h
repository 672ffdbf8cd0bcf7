#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/base/Url.h"
#include "core/engine/TranscriptBatch.h"
#include "core/engine/TranscriptRecord.h"
#include "core/store/FileIdentity.h"

namespace brimly {

// Follows one transcript file and turns the complete lines appended since the last read into batches. It
// remembers tool calls until their results arrive, because a file the agent read is only known then. Used
// only on the engine queue.
class TranscriptTailer {
public:
    static constexpr std::uint64_t defaultWindow = 4194304;
    static constexpr std::uint64_t defaultTitleBytes = 262144;
    // Tool calls remembered at most, and how many survive a trim.
    static constexpr std::size_t toolUseLimit = 4000;
    static constexpr std::size_t toolUsesKept = 2000;

    // `identity` is the file `offset` was read from; another file at the path is read from its start.
    TranscriptTailer(Url url, std::optional<std::uint64_t> offset, std::uint64_t window, std::int64_t chunk,
                     std::optional<FileIdentity> identity = std::nullopt);

    const Url& url() const { return m_url; }
    const std::string& slug() const { return m_slug; }
    std::optional<std::uint64_t> offset() const { return m_offset; }
    // The file `offset` belongs to, once it has been opened.
    std::optional<FileIdentity> identity() const { return m_identity; }
    std::uint64_t window() const { return m_window; }
    std::int64_t chunk() const { return m_chunk; }
    bool awaitsToolResults() const { return !m_unanswered.empty(); }

    // Reads what was appended. Each non-empty batch is handed over as soon as its piece of the file is
    // consumed, with `offset()` already past it, so a caller can store the offset batch by batch.
    void read(const std::function<void(TranscriptBatch)>& each);
    // Called from `each`: the batch it was handed is not taken, so the read stops and `offset()` goes back
    // before the batch's first line, to be read again.
    void holdBack() { m_holdBack = true; }

    // The session titles in the last `bytes` bytes of a transcript, in file order; no tailer state.
    static std::vector<SessionTitle> titles(const Url& url, std::uint64_t bytes = defaultTitleBytes);
    // The project folder name of a transcript path; subagent transcripts belong to their session's project.
    static std::string slugOf(const std::string& path);

private:
    struct Pass;
    void processLine(std::string_view line, Pass& pass);
    void addSighting(const TranscriptRecord& record, Date at, Pass& pass);
    void rememberToolUse(const ToolUse& use);
    std::optional<std::string> promptFor(const TranscriptRecord& record) const;

    Url m_url;
    std::string m_path;
    std::string m_slug;
    std::optional<std::uint64_t> m_offset;
    std::optional<FileIdentity> m_identity;
    bool m_holdBack = false;
    std::uint64_t m_window;
    std::int64_t m_chunk;
    std::unordered_map<std::string, ToolUse> m_toolUses;
    std::deque<std::string> m_toolUseOrder;
    std::unordered_set<std::string> m_unanswered;
    // The newest prompt of each session, for lines written before prompts carried an id of their own.
    std::unordered_map<std::string, std::string> m_latestPrompt;
};

}  // namespace brimly
