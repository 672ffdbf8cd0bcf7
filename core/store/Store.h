#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "core/base/Date.h"
#include "core/base/Log.h"
#include "core/base/SerialQueue.h"
#include "core/base/Url.h"
#include "core/store/HiddenRecord.h"
#include "core/store/Prompt.h"
#include "core/store/Session.h"
#include "core/store/ShelfItem.h"
#include "core/store/Snapshot.h"
#include "core/store/StoreIndex.h"

namespace brimly {

class FileReader;

// Owns everything the shelf captured: items with their copies under "items/" and thumbnails under
// "thumbs/", sessions, prompts, hidden and deleted records, transcript read offsets. Kept in memory,
// persisted as "index.json" and "offsets.json" with debounced atomic writes. Lives on the engine queue.
//
// A crash at any moment leaves a loadable index whose records all have their copies: files are written
// before any index names them, and a file an item no longer uses is deleted only once an index without it
// is on disk. Copies and thumbnails nothing refers to are swept at start-up.
class Store {
public:
    using Index = StoreIndex;
    using NowFunction = std::function<Date()>;

    // The copy's URL, or the error that prevented it (std::errc::invalid_argument for an unsafe id or
    // extension).
    struct CopyResult {
        std::optional<Url> url;
        std::error_code error;
        bool operator==(const CopyResult&) const = default;
    };

    // A write that failed, or the first one that succeeded again, and what loading found. `detail` is the
    // system's error text or the path the unreadable index was moved to.
    struct Problem {
        enum class Kind { notWritable, indexNotSaved, offsetsNotSaved, indexMovedAside };
        Kind kind = Kind::indexNotSaved;
        std::string detail;
        bool resolved = false;
        bool operator==(const Problem&) const = default;
    };
    using ProblemHandler = std::function<void(const Problem&)>;

    static constexpr double defaultDebounce = 2.0;
    static constexpr double defaultOffsetsDebounce = 5.0;
    // A write that failed (a full disk, say) is tried again this much later, however quiet the shelf is.
    static constexpr double failedWriteRetry = 30.0;
    // Files younger than this are never swept: a copy may be in the making.
    static constexpr double orphanMinimumAge = 60.0;

    // `root` is the support folder. Without `autosave` nothing is written until `flush`.
    Store(std::string root, NowFunction now, SerialQueue* autosave = nullptr,
          double debounce = defaultDebounce, double offsetsDebounce = defaultOffsetsDebounce);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& root() const { return m_root; }
    std::int64_t revision() const { return m_revision; }
    bool isFirstRun() const { return m_isFirstRun; }
    // Where this run moved an index it could not read; while one sits beside the index, no copy is swept.
    const std::optional<std::string>& movedAsideTo() const { return m_movedAsideTo; }
    std::optional<Date> previousRunAt() const { return m_previousRunAt; }
    Date launchedAt() const { return m_launchedAt; }
    const std::map<std::string, ShelfItem>& items() const { return m_items; }
    const std::map<std::string, Session>& sessions() const { return m_sessions; }
    const std::map<std::string, Prompt>& prompts() const { return m_prompts; }
    const std::map<std::string, std::uint64_t>& offsets() const { return m_offsets.offsets; }
    // The file a stored offset was read from; nothing when it is unknown (an offset saved before files were
    // told apart), and then the offset is trusted.
    std::optional<FileIdentity> offsetIdentity(const std::string& path) const;
    const std::set<std::string>& hidden() const { return m_hidden; }
    const std::map<std::string, HiddenRecord>& hiddenItems() const { return m_hiddenItems; }
    const std::map<std::string, Date>& deleted() const { return m_deleted; }
    const std::map<std::string, Date>& deletedPaths() const { return m_deletedPaths; }
    const std::map<std::string, Date>& titleChecks() const { return m_titleChecks; }
    std::int64_t snapshotBuilds() const { return m_snapshotBuilds; }
    bool isIndexDirty() const { return m_indexDirty; }
    bool isOffsetsDirty() const { return m_offsetsDirty; }

    // The newest `limit` items with their sessions and prompts, and the hidden items; cached per
    // (revision, limit). Shown items without a prompt get the latest prompt of their session at or before
    // their creation.
    std::shared_ptr<const Snapshot> snapshot(std::size_t limit);

    // Ordered by creation time, then id.
    std::vector<ShelfItem> itemsAtSourcePath(const std::string& path) const;
    std::vector<ShelfItem> itemsWithContent(const std::string& contentKey) const;
    std::optional<ShelfItem> artifactForPath(const std::string& path) const;
    bool isHidden(const std::string& id) const { return m_hidden.count(id) != 0; }
    bool isHiddenSourcePath(const std::string& path) const;
    bool isDeleted(const std::string& id, const std::optional<std::string>& sourcePath, Date createdAt) const;
    bool hasIngested(const std::string& path, Date modified) const;
    // "thumbs/" + id + ".jpg"; nothing for an id that may not become a file name.
    std::optional<Url> thumbURL(std::string_view id) const;
    // The id up to its first "~".
    static std::string contentKey(std::string_view id);

    // Each returns whether something changed; an equal value changes nothing and writes nothing. An item
    // whose id has a hidden record is refused (hide/unhide move items between the two).
    bool upsert(const ShelfItem& item);
    bool upsert(const Session& session);
    bool upsert(const Prompt& prompt);
    // Writes `data` atomically to "items/" + id + "." + ext, or reuses the file already there.
    CopyResult copyIn(std::string_view data, std::string_view id, std::string_view ext);
    // The same for the content of the open file `source`, copied a block at a time so that a large recording
    // never sits in memory. Fails, leaving nothing, when the copy does not digest to `contentKey`: the file
    // changed after it was looked at.
    CopyResult copyInFile(const FileReader& source, std::string_view contentKey, std::string_view id,
                          std::string_view ext);
    bool remove(const std::string& id);
    // Deletes the files of these versions that no stored or hidden item uses.
    void dropFiles(const std::vector<ItemVersion>& versions);
    void markSeen(const std::vector<std::string>& ids, Date at);
    void hide(const std::string& id);
    bool unhide(const std::string& id);
    // Deletes stored and hidden items and remembers when (per id and per source path); returns how many.
    int deleteItems(const std::vector<std::string>& ids);
    std::vector<std::string> deleteAll(const std::set<std::string>& sparing);
    // The retention purge: items created (hidden records hidden) before `cutoff` go, with old deletion
    // marks, title checks, idle sessions and prompts, and offsets of vanished transcripts.
    std::vector<std::string> purge(Date cutoff);
    void trimVersions(std::size_t keeping);
    void setOffset(std::uint64_t offset, const std::string& path, std::optional<FileIdentity> identity = {});
    void setTitleChecked(const std::string& path, Date modified);
    void setNeedsSave();
    // Writes the index and the offsets now (and deletes the files the written index no longer uses); false
    // when either could not be written.
    [[nodiscard]] bool flush();
    // Deletes what an earlier run left behind: copies and thumbnails no record uses and temporary files,
    // all older than a minute. Listing two folders of a large shelf takes a while, so the owner calls it once
    // the loaded shelf is shown rather than the store on loading.
    void sweepOrphans();
    // Called with what loading found at once, and afterwards when a write starts or stops failing.
    void setOnProblem(ProblemHandler handler);

    // Fails (in debug builds) off the queue the store autosaves on; the types that work on the store's
    // queue check themselves through it.
    void assertOnQueue() const;

private:
    void load();
    void moveUnreadableIndexAside();
    void report(Problem::Kind kind, std::string detail, bool failed);

    // Each takes the item where it is stored: the tables point into it.
    void addToMaps(const ShelfItem& stored);
    void removeFromMaps(const ShelfItem& stored);
    void addHiddenToMaps(const ShelfItem& stored);
    void removeHiddenFromMaps(const ShelfItem& stored);
    // Every copied file a stored or hidden item uses, versions included.
    void forEachCopyURL(const std::function<void(const Url&)>& visit) const;
    // Queues the files of `item` (and its thumbnail) for deletion once no index names them.
    void discardFiles(const ShelfItem& item);
    void discardFile(const std::string& path);
    void deleteDiscardedFiles();
    std::optional<std::string> itemsFolderPath(const Url& url) const;
    // The checks and reuse shared by the copy operations; `write` makes the file at the path it is given.
    CopyResult copyInto(std::string_view id, std::string_view ext,
                        const std::function<std::error_code(const std::string&)>& write);

    void recordChange(bool visible);
    void scheduleIndexWrite(double delay);
    void scheduleOffsetsWrite(double delay);
    [[nodiscard]] bool writeIndex();
    [[nodiscard]] bool writeOffsets();

    const std::vector<const Prompt*>& promptsOfSession(const std::string& sessionID);
    std::optional<std::string> promptAt(const std::string& sessionID, Date at);
    std::shared_ptr<const Snapshot> buildSnapshot(std::size_t limit);

    std::string m_root;
    std::string m_itemsDir;
    std::string m_thumbsDir;
    std::string m_indexPath;
    std::string m_offsetsPath;

    std::map<std::string, ShelfItem> m_items;
    std::map<std::string, Session> m_sessions;
    std::map<std::string, Prompt> m_prompts;
    OffsetsFile::Content m_offsets;
    std::set<std::string> m_hidden;
    std::map<std::string, HiddenRecord> m_hiddenItems;
    std::map<std::string, Date> m_deleted;
    std::map<std::string, Date> m_deletedPaths;
    std::map<std::string, Date> m_titleChecks;

    std::int64_t m_revision = 0;
    bool m_isFirstRun = true;
    std::optional<Date> m_previousRunAt;
    Date m_launchedAt = 0;

    NowFunction m_now;
    SerialQueue* m_autosave;
    double m_debounce;
    double m_offsetsDebounce;
    bool m_indexDirty = false;
    bool m_offsetsDirty = false;
    bool m_indexWritePending = false;
    bool m_offsetsWritePending = false;
    // Dropping a handle cancels its write, so no scheduled work outlives the store.
    TaskHandle m_indexWrite;
    TaskHandle m_offsetsWrite;

    // Keyed by views into the stored items (their content keys and source paths), so that a table costs a
    // small node per item rather than copies of ids and paths. An item is added once it is where it stays,
    // and removed before it changes, moves or goes.
    using ItemsByKey = std::unordered_multimap<std::string_view, const ShelfItem*>;
    ItemsByKey m_byContent;
    ItemsByKey m_byPath;
    ItemsByKey m_hiddenByPath;

    std::set<std::string> m_discardedFiles;
    std::set<std::string> m_discardedThumbs;

    struct CachedSnapshot {
        std::int64_t revision;
        std::size_t limit;
        std::shared_ptr<const Snapshot> snapshot;
    };
    std::optional<CachedSnapshot> m_cachedSnapshot;
    // Items new to the shelf since the last snapshot was built.
    std::vector<std::string> m_arrived;
    std::int64_t m_snapshotBuilds = 0;
    // Prompts per session ordered by time; rebuilt after the prompts change.
    std::unordered_map<std::string, std::vector<const Prompt*>> m_promptsBySession;
    bool m_promptsBySessionStale = true;

    ProblemHandler m_onProblem;
    std::vector<Problem> m_loadProblems;
    std::optional<std::string> m_movedAsideTo;
    std::set<Problem::Kind> m_failing;

    Log m_log{"store"};
};

}  // namespace brimly
