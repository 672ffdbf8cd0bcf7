#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/Clock.h"
#include "core/base/Date.h"
#include "core/engine/ActivityTracker.h"
#include "core/engine/Candidate.h"
#include "core/engine/TranscriptRecord.h"
#include "core/store/ItemFilter.h"
#include "core/store/ShelfItem.h"
#include "core/store/Store.h"
#include "core/store/ThumbnailMaker.h"

namespace brimly {

struct TranscriptBatch;
struct SessionSighting;

// Turns what the sources found into shelf state: decides each candidate's session and identity, copies its
// content into the store, keeps earlier versions of rewritten images and keeps sessions, titles and prompts
// current. Owned by the engine and used only on the engine queue, like the store it writes to.
class Ingest {
public:
    // What became of one candidate: the item's id, or the reason it was refused. A `retryable` refusal
    // (the copy could not be written: a full disk, a folder without write permission) may pass, so the
    // candidate's source should offer it again rather than move past it.
    struct Outcome {
        enum class Kind { added, merged, updated, rejected };
        Kind kind = Kind::rejected;
        std::string text;
        bool retryable = false;

        static Outcome added(std::string id) { return {Kind::added, std::move(id)}; }
        static Outcome merged(std::string id) { return {Kind::merged, std::move(id)}; }
        static Outcome updated(std::string id) { return {Kind::updated, std::move(id)}; }
        static Outcome rejected(std::string reason) { return {Kind::rejected, std::move(reason)}; }
        static Outcome rejectedForNow(std::string reason) {
            return {Kind::rejected, std::move(reason), true};
        }

        bool operator==(const Outcome&) const = default;
    };

    static constexpr int defaultVersionsShown = 4;
    // A session counts as the one at work when it was active this recently.
    static constexpr double activeWindow = 60;
    // A sighting that only moves the last activity forward by less than this is not written.
    static constexpr double lastActiveGranularity = 60;
    // Two sources reporting one capture see it within this many seconds of each other.
    static constexpr double sameCaptureWindow = 120;
    static constexpr std::size_t pageTitleBytes = 16384;

    Ingest(Store& store, ItemFilter filter, int retentionDays, const Clock& clock);

    // Sightings, titles, prompts, then candidates; one outcome per candidate, in order.
    std::vector<Outcome> apply(const TranscriptBatch& batch);
    Outcome ingest(const Candidate& candidate);
    void noteSession(const SessionSighting& sighting);
    void noteTitle(const SessionTitle& title, std::optional<Date> fileCreated);
    void notePrompt(const Prompt& prompt);
    void backfillFirstPrompts();
    // Moves items that came only from watched folders into the folder session of the root holding them.
    void regroupFolderItems();
    // Thumbnails go to `maker` instead of being drawn before the capture returns; null draws them inline.
    void setThumbnailMaker(ThumbnailMaker* maker) { m_thumbnails = maker; }

    ActivityTracker& activity() { return m_activity; }
    const ItemFilter& filter() const { return m_filter; }
    void setFilter(ItemFilter filter) { m_filter = std::move(filter); }
    const std::vector<std::string>& folderRoots() const { return m_folderRoots; }
    void setFolderRoots(std::vector<std::string> roots) { m_folderRoots = std::move(roots); }
    int retentionDays() const { return m_retentionDays; }
    void setRetentionDays(int days) { m_retentionDays = days; }
    int versionsShown() const { return m_versionsShown; }
    void setVersionsShown(int count) { m_versionsShown = count; }

    // The text of the first title element in the first 16 KiB of an html file, tags removed and trimmed.
    static std::optional<std::string> pageTitle(const std::string& path);

private:
    struct Context;
    struct FileContent;

    Outcome ingestFile(const Context& context, const FileContent& content);
    Outcome ingestFolderFile(const Context& context, const FileContent& content, ShelfItem item);
    Outcome ingestArtifact(const Context& context, const ArtifactInfo& info);
    Outcome create(const Context& context, const FileContent& content, ShelfItem item);
    Outcome merge(const Context& context, ShelfItem item, const std::optional<std::string>& sourcePath);
    std::optional<std::string> folderRootOf(const std::string& path) const;
    void ensureSession(const Context& context);
    void ensureFolderSession(const std::string& root, Date at);
    bool predatesRun(Date date) const;
    // The fields every new item takes from its candidate: session, prompt, source, time, capture id, seen.
    void stampNew(ShelfItem& item, const Context& context) const;
    std::optional<std::string> projectFolder(const std::string& sessionID) const;

    Store& m_store;
    ActivityTracker m_activity;
    ItemFilter m_filter;
    std::vector<std::string> m_folderRoots;
    int m_retentionDays;
    int m_versionsShown = defaultVersionsShown;
    const Clock& m_clock;
    ThumbnailMaker* m_thumbnails = nullptr;
};

}  // namespace brimly
