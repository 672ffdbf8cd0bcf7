#include "core/engine/TranscriptTailer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "core/base/Iso8601.h"
#include "core/engine/TranscriptParser.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

class FileHandle {
public:
    // Without blocking, and only a regular file: a FIFO named like a transcript would stop the engine in
    // `open` for ever.
    explicit FileHandle(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        struct stat status {};
        if (m_fd >= 0 && (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode))) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileHandle() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::optional<FileIdentity> identity() const {
        struct stat status {};
        if (::fstat(m_fd, &status) != 0) return std::nullopt;
        return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                            static_cast<std::uint64_t>(status.st_ino)};
    }
    std::optional<std::uint64_t> size() const {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) return std::nullopt;
        return static_cast<std::uint64_t>(end);
    }
    // Fills `into` from `position`; fewer bytes only at the end of the file, nothing on an error.
    std::optional<std::size_t> read(char* into, std::size_t count, std::uint64_t position) const {
        std::size_t done = 0;
        while (done < count) {
            ssize_t got = ::pread(m_fd, into + done, count - done, static_cast<off_t>(position + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return std::nullopt;
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int m_fd;
};

// Splits bytes into lines across reads. The buffer always keeps `TranscriptParser::linePadding` spare bytes
// after its content, so lines can be decoded where they lie, however long they are.
class LineBuffer {
public:
    char* prepare(std::size_t count) {
        std::size_t need = m_used + count + TranscriptParser::linePadding;
        if (need > m_capacity) {
            // Not a string's resize, which would clear every byte the read is about to overwrite: a catch-up
            // spent a tenth of its time on that.
            std::size_t capacity = std::max(need, 2 * m_capacity);
            auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
            if (m_used > 0) std::memcpy(bytes.get(), m_bytes.get(), m_used);
            m_bytes = std::move(bytes);
            m_capacity = capacity;
        }
        return m_bytes.get() + m_used;
    }
    void commit(std::size_t count) { m_used += count; }

    // Calls `line` for each complete line (without its newline) and returns the bytes consumed.
    template <typename Handler>
    std::size_t takeLines(Handler&& line) {
        std::size_t start = 0;
        while (m_scanned < m_used) {
            const void* found = std::memchr(m_bytes.get() + m_scanned, '\n', m_used - m_scanned);
            if (found == nullptr) {
                m_scanned = m_used;
                break;
            }
            std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - m_bytes.get());
            line(std::string_view(m_bytes.get() + start, end - start));
            start = end + 1;
            m_scanned = start;
        }
        if (start > 0) {
            std::memmove(m_bytes.get(), m_bytes.get() + start, m_used - start);
            m_used -= start;
            m_scanned -= start;
        }
        return start;
    }

private:
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    std::size_t m_scanned = 0;
};

bool isAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace

struct TranscriptTailer::Pass {
    TranscriptBatch batch;
    Date fileModified = 0;
    std::optional<Date> fileCreated;
};

TranscriptTailer::TranscriptTailer(Url url, std::optional<std::uint64_t> offset, std::uint64_t window,
                                   std::int64_t chunk, std::optional<FileIdentity> identity)
    : m_url(std::move(url)),
      m_path(m_url.path().value_or("")),
      m_slug(slugOf(m_path)),
      m_offset(offset),
      m_identity(offset ? identity : std::nullopt),
      m_window(window),
      m_chunk(std::max<std::int64_t>(chunk, 1)) {}

std::string TranscriptTailer::slugOf(const std::string& path) {
    std::string parent = FileSystem::parentPath(path);
    if (FileSystem::lastComponent(parent) == "subagents") {
        return FileSystem::lastComponent(FileSystem::parentPath(FileSystem::parentPath(parent)));
    }
    return FileSystem::lastComponent(parent);
}

void TranscriptTailer::read(const std::function<void(TranscriptBatch)>& each) {
    Pass pass;
    auto info = FileSystem::infoFollowingLinks(m_path);
    if (info) {
        pass.fileCreated = info->createdAt;
        pass.fileModified = info->modifiedAt;
    }
    pass.batch.fileCreated = pass.fileCreated;

    FileHandle file(m_path);
    if (!file.isOpen()) return;
    auto size = file.size();
    if (!size) return;
    const std::uint64_t end = *size;
    // A file renamed over the path shares nothing with the one the offset counted; a file whose identity was
    // never recorded keeps its offset.
    auto identity = file.identity();
    bool replaced = m_offset && m_identity && identity != m_identity;
    m_identity = identity;

    std::uint64_t start = m_offset.value_or(end >= m_window ? end - m_window : 0);
    if (start > end || replaced) start = 0;
    if (start >= end) {
        // A rewritten file's stale offset is replaced, so it is not stored again.
        m_offset = start;
        return;
    }
    // A read that begins inside the file at a guessed position would start in the middle of a line.
    bool skipping = !m_offset && start > 0;
    std::uint64_t consumed = start;
    std::uint64_t position = start;
    // Where the lines of the batch being gathered begin: where a held-back batch is read again from.
    std::uint64_t batchStart = start;
    bool handedOver = false;
    LineBuffer lines;
    const auto chunk = static_cast<std::uint64_t>(m_chunk);

    while (position < end) {
        auto want = static_cast<std::size_t>(std::min(chunk, end - position));
        char* into = lines.prepare(want);
        auto got = file.read(into, want, position);
        if (!got || *got == 0) break;
        lines.commit(*got);
        position += *got;
        const std::uint64_t before = consumed;
        consumed += lines.takeLines([&](std::string_view line) {
            if (skipping) {
                skipping = false;
                batchStart = before + line.size() + 1;
                return;
            }
            processLine(line, pass);
        });
        if (!skipping) m_offset = consumed;
        if (!pass.batch.isEmpty()) {
            m_holdBack = false;
            each(std::exchange(pass.batch, TranscriptBatch{}));
            if (std::exchange(m_holdBack, false)) {
                m_offset = batchStart;
                return;
            }
            pass.batch.fileCreated = pass.fileCreated;
            handedOver = true;
        }
        if (!skipping) batchStart = consumed;
    }
    if (!handedOver) each(std::move(pass.batch));
    m_holdBack = false;
}

void TranscriptTailer::processLine(std::string_view line, Pass& pass) {
    if (!TranscriptParser::mayBeInteresting(line)) return;
    auto decoded = TranscriptParser::recordInPaddedLine(line);
    if (!decoded) return;
    TranscriptRecord& record = *decoded;
    const Date at = record.timestamp.value_or(pass.fileModified);
    TranscriptBatch& batch = pass.batch;

    if (record.title) {
        SessionTitle title = std::move(*record.title);
        title.slug = m_slug;
        batch.titles.push_back(std::move(title));
    }
    if (record.sessionID) addSighting(record, at, pass);
    if (record.promptID && record.sessionID) m_latestPrompt[*record.sessionID] = *record.promptID;
    if (record.promptText && record.sessionID) {
        // Older transcripts give prompts no id; the session and the time name the turn stably across reads.
        std::optional<std::string> id = record.promptID;
        if (!id && record.timestamp) id = *record.sessionID + "@" + formatIso8601(*record.timestamp);
        if (id) {
            m_latestPrompt[*record.sessionID] = *id;
            batch.prompts.push_back(Prompt{*id, *record.sessionID, at, std::move(*record.promptText)});
        }
    }
    for (const ToolUse& use : record.toolUses) rememberToolUse(use);

    const std::optional<std::string> promptID = promptFor(record);
    auto candidate = [&](Payload payload) {
        Candidate made{Source::transcript, std::move(payload)};
        made.sessionID = record.sessionID;
        made.slug = m_slug;
        made.promptID = promptID;
        made.createdAt = at;
        return made;
    };
    for (const std::string& id : record.toolResultIDs) {
        m_unanswered.erase(id);
        auto known = m_toolUses.find(id);
        if (known == m_toolUses.end() || known->second.name != "Read" || !known->second.filePath) continue;
        const std::string& path = *known->second.filePath;
        if (!isAbsolutePath(path)) continue;
        Candidate made = candidate(Payload{Payload::File{Url::fromPath(path)}});
        made.readPath = path;
        batch.candidates.push_back(std::move(made));
    }

    std::unordered_map<std::string, int> imagesPerToolUse;
    for (TranscriptImage& image : record.images) {
        std::string extension = image.fileExtension();
        Candidate made = candidate(Payload{Payload::Base64{std::move(image.base64), std::move(extension)}});
        if (image.toolUseID) {
            int position = ++imagesPerToolUse[*image.toolUseID];
            made.captureID = *image.toolUseID + "#" + std::to_string(position);
            // An image the agent read from disk: ingest prefers the file's own bytes to the inline copy.
            auto known = m_toolUses.find(*image.toolUseID);
            if (known != m_toolUses.end() && known->second.name == "Read" && known->second.filePath &&
                isAbsolutePath(*known->second.filePath)) {
                made.readPath = *known->second.filePath;
            }
        }
        batch.candidates.push_back(std::move(made));
    }

    if (record.artifact && record.artifact->isPublished(m_toolUses)) {
        ArtifactResult& artifact = *record.artifact;
        std::string captureID = artifact.id;
        Candidate made = candidate(
            Payload{Payload::Artifact{ArtifactInfo{std::move(artifact.id), std::move(artifact.url),
                                                   std::move(artifact.title), std::move(artifact.path)}}});
        made.captureID = std::move(captureID);
        batch.candidates.push_back(std::move(made));
    }
}

void TranscriptTailer::addSighting(const TranscriptRecord& record, Date at, Pass& pass) {
    auto& sessions = pass.batch.sessions;
    auto existing = std::find_if(sessions.begin(), sessions.end(), [&](const SessionSighting& sighting) {
        return sighting.id == *record.sessionID;
    });
    if (existing == sessions.end()) {
        sessions.push_back(SessionSighting{*record.sessionID, m_slug, record.cwd, record.gitBranch, at,
                                           pass.fileCreated, at});
        return;
    }
    if (record.cwd) existing->cwd = record.cwd;
    if (record.gitBranch) existing->branch = record.gitBranch;
    existing->firstAt = std::min(existing->firstAt.value_or(existing->at), at);
    existing->at = std::max(existing->at, at);
}

void TranscriptTailer::rememberToolUse(const ToolUse& use) {
    if (m_toolUses.insert_or_assign(use.id, use).second) m_toolUseOrder.push_back(use.id);
    m_unanswered.insert(use.id);
    if (m_toolUseOrder.size() <= toolUseLimit) return;
    while (m_toolUseOrder.size() > toolUsesKept) {
        m_toolUses.erase(m_toolUseOrder.front());
        m_unanswered.erase(m_toolUseOrder.front());
        m_toolUseOrder.pop_front();
    }
}

std::optional<std::string> TranscriptTailer::promptFor(const TranscriptRecord& record) const {
    if (record.promptID) return record.promptID;
    if (!record.sessionID) return std::nullopt;
    auto latest = m_latestPrompt.find(*record.sessionID);
    if (latest == m_latestPrompt.end()) return std::nullopt;
    return latest->second;
}

std::vector<SessionTitle> TranscriptTailer::titles(const Url& url, std::uint64_t bytes) {
    std::string path = url.path().value_or("");
    FileHandle file(path);
    if (!file.isOpen()) return {};
    auto size = file.size();
    if (!size) return {};
    std::uint64_t start = *size > bytes ? *size - bytes : 0;
    LineBuffer lines;
    auto want = static_cast<std::size_t>(*size - start);
    auto got = file.read(lines.prepare(want), want, start);
    if (!got) return {};
    lines.commit(*got);
    // The last line may lack its newline; it is complete as far as this look is concerned.
    lines.prepare(1)[0] = '\n';
    lines.commit(1);

    std::string slug = slugOf(path);
    std::vector<SessionTitle> found;
    bool skipping = start > 0;
    lines.takeLines([&](std::string_view line) {
        if (skipping) {
            skipping = false;
            return;
        }
        if (!TranscriptParser::mayBeTitle(line)) return;
        auto record = TranscriptParser::recordInPaddedLine(line);
        if (!record || !record->title) return;
        record->title->slug = slug;
        found.push_back(std::move(*record->title));
    });
    return found;
}

}  // namespace brimly
