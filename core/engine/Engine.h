#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/Clock.h"
#include "core/base/Log.h"
#include "core/base/SerialQueue.h"
#include "core/config/EngineConfig.h"
#include "core/engine/DirectoryWatcher.h"
#include "core/engine/EngineStatus.h"
#include "core/engine/Ingest.h"
#include "core/engine/ScratchpadScanner.h"
#include "core/engine/SettleTracker.h"
#include "core/engine/TranscriptSet.h"
#include "core/store/Snapshot.h"
#include "core/store/Store.h"
#include "core/store/ThumbnailMaker.h"

namespace brimly {

// The capture side's driver: owns the store and ingest, follows the scratchpads, transcripts, browser
// screenshots and watched folders, and publishes snapshots. Every field lives on `queue`; the public entry
// points post onto it, and the handlers are always posted to `mainQueue`. Held by a shared_ptr, since
// watchers and timers hold it weakly; made, stopped and released by an `EngineHost`, which keeps that order.
class Engine : public std::enable_shared_from_this<Engine> {
public:
    using Config = EngineConfig;
    using SnapshotHandler = std::function<void(std::shared_ptr<const Snapshot>)>;
    using ClaudeFoundHandler = std::function<void(bool)>;
    using StatusHandler = std::function<void(const EngineStatus&)>;
    // Fixed for the engine's life, so that no handler is ever replaced while the queue calls it.
    struct Handlers {
        SnapshotHandler onSnapshot;
        ClaudeFoundHandler onClaudeFound;
        StatusHandler onStatus;
    };

    static constexpr double publishDelay = 0.05;
    static constexpr double rescanWait = 1.2;
    static constexpr double retentionInterval = 3600;
    static constexpr std::int64_t transcriptChunk = 4194304;
    static constexpr std::uint64_t titleTailBytes = 262144;
    static constexpr double waitingTranscriptIdle = 86400;
    // Settled files ingested in one task.
    static constexpr int settleBatch = 16;
    // A file whose copy failed for a passing reason is tried again after this long, doubling up to the last.
    static constexpr double fileRetryFirst = 2;
    static constexpr double fileRetryLongest = 300;

    // `queue` and `mainQueue` must outlive the engine. The store is loaded on `queue`, not here.
    static std::shared_ptr<Engine> make(Config config, const Clock& clock, SerialQueue& queue,
                                        SerialQueue& mainQueue, Handlers handlers);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Once: publishes the saved shelf, then catches up with recent transcripts one at a time and scans the
    // watched folders; with `watch`, the watchers and the hourly retention timer run from the start.
    void start(bool watch);
    // From any thread: queued and running work stops at its next step (between transcripts, say), so that
    // `finish` does not wait behind a long catch-up.
    void requestStop() { m_stopRequested = true; }
    // On the queue: no watcher, timer or queued work does anything afterwards; true when the store is on
    // disk.
    [[nodiscard]] bool finish();
    void update(Config config);

    void hide(std::vector<std::string> ids);
    void unhide(std::vector<std::string> ids);
    void remove(std::vector<std::string> ids);
    void deleteAll(std::set<std::string> sparing);
    void markSeen(std::vector<std::string> ids);

    // The scratchpad, projects and browser-screenshot roots as watched.
    std::vector<std::string> watchRoots() const {
        return {m_scratchWatchPath, m_projectsWatchPath, m_chromeWatchPath};
    }

private:
    struct Private {};
    friend struct EngineProbe;

public:
    Engine(Private, Config config, const Clock& clock, SerialQueue& queue, SerialQueue& mainQueue,
           Handlers handlers);

private:
    enum class Kind { scratchpad, chrome, folder };

    // Posts `work` onto the queue; it runs only while the engine lives and has not stopped.
    void enqueue(std::function<void(Engine&)> work);
    TaskHandle after(double delay, std::function<void(Engine&)> work);
    using WatchHandler = DirectoryWatcher::Handler;
    WatchHandler watchHandler(std::string root);
    DirectoryWatcher::FailureHandler failureHandler(std::string root);
    void retryFile(const std::string& path, Candidate candidate);
    // Reports the first capture that failed for a passing reason, and the first success after it.
    void noteCapture(const Ingest::Outcome& outcome);

    void load();
    void publish();
    void schedulePublish();
    void checkClaude();
    void report(EngineStatus status);
    void reportStore(const Store::Problem& problem);
    void initialScan();
    void catchUp(std::vector<std::string> transcripts, std::size_t next);
    void finishCatchUp();
    void titlePass();
    void retentionPass();
    void armRetention();
    void handleBatch(TranscriptBatch batch);
    void logOutcome(const Ingest::Outcome& outcome, const std::string& sourceWord, const std::string& path);
    bool isStopping() const { return m_stopped || m_stopRequested; }
    void startWatchers();
    void syncFolderWatchers();
    void scanFolder(const std::string& root);
    void pruneFolderItems();
    void requestRescan(const std::string& root);
    void performRescans();
    void rescan(const std::string& root);
    void handleEvents(const std::vector<std::string>& paths);
    // True when the file now waits to settle.
    bool consider(const std::string& path, Kind kind, const ScratchFile* scratch);
    void armSettle();
    void runSettle();
    void holdChrome(const std::string& path);
    ItemFilter filterFor(const Config& config) const;
    static std::vector<std::string> rootsOf(const Config& config);

    SerialQueue& m_queue;
    SerialQueue& m_mainQueue;
    const Clock& m_clock;
    Config m_config;
    std::vector<std::string> m_folderRoots;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<ThumbnailMaker> m_thumbnails;
    std::unique_ptr<Ingest> m_ingest;
    ScratchpadScanner m_scanner;
    std::unique_ptr<TranscriptSet> m_transcripts;
    const Handlers m_handlers;
    int m_titleTailReads = 0;
    int m_rescans = 0;
    std::set<std::string> m_pendingRescans;
    TaskHandle m_rescanTimer;
    Log m_log{"ingest"};
    std::vector<std::unique_ptr<DirectoryWatcher>> m_watchers;
    std::vector<std::string> m_watchedPaths;
    std::string m_scratchWatchPath;
    std::string m_projectsWatchPath;
    std::string m_chromeWatchPath;
    // The support folder as file events name it, so that a watched folder holding it is never fed its files.
    std::string m_supportRealPath;
    SettleTracker m_settle;
    TaskHandle m_settleTimer;
    std::optional<double> m_settleTimerDue;
    std::map<std::string, TaskHandle> m_pendingChrome;
    bool m_publishScheduled = false;
    TaskHandle m_publishTimer;
    struct Published {
        std::int64_t revision;
        long limit;
        bool operator==(const Published&) const = default;
    };
    std::optional<Published> m_published;
    std::optional<bool> m_claudeFound;
    // While the start-up catch-up reads transcripts: when it last saved the store.
    std::optional<Date> m_catchUpSavedAt;
    bool m_finalSave = false;
    TaskHandle m_retentionTimer;
    std::map<std::string, std::unique_ptr<DirectoryWatcher>> m_folderWatchers;
    bool m_watching = false;
    bool m_started = false;
    bool m_stopped = false;
    std::atomic<bool> m_stopRequested = false;
    std::set<std::string> m_folderRejected;
    std::map<std::string, TaskHandle> m_fileRetries;
    std::map<std::string, double> m_fileRetryDelay;
    std::set<std::string> m_watchFailures;
    bool m_captureFailing = false;
};

}  // namespace brimly
