#include "core/engine/Engine.h"

#include <algorithm>
#include <cassert>

#include "core/base/Env.h"
#include "core/config/BrimlyPaths.h"
#include "core/engine/ChromeScreenshots.h"
#include "core/engine/TranscriptTailer.h"
#include "core/platform/FileSystem.h"
#include "core/store/Source.h"

namespace brimly {

std::shared_ptr<Engine> Engine::make(Config config, const Clock& clock, SerialQueue& queue,
                                     SerialQueue& mainQueue, Handlers handlers) {
    auto engine =
        std::make_shared<Engine>(Private{}, std::move(config), clock, queue, mainQueue, std::move(handlers));
    // Loading a large index takes tens of milliseconds: never on the caller's thread, which may be the one
    // that draws the screen.
    engine->enqueue([](Engine& e) { e.load(); });
    return engine;
}

Engine::Engine(Private, Config config, const Clock& clock, SerialQueue& queue, SerialQueue& mainQueue,
               Handlers handlers)
    : m_queue(queue),
      m_mainQueue(mainQueue),
      m_clock(clock),
      m_config(std::move(config)),
      m_folderRoots(rootsOf(m_config)),
      m_scanner(m_config.paths.scratchRoot, m_config.extraExtensions),
      m_handlers(std::move(handlers)) {
    m_scratchWatchPath = BrimlyPaths::canonicalThroughExistingAncestor(m_config.paths.scratchRoot.filePath());
    m_projectsWatchPath =
        BrimlyPaths::canonicalThroughExistingAncestor(m_config.paths.projectsRoot().filePath());
    m_chromeWatchPath = BrimlyPaths::canonicalThroughExistingAncestor(m_config.paths.chromeRoot.filePath());
    m_supportRealPath = BrimlyPaths::canonicalThroughExistingAncestor(m_config.paths.supportDir.filePath());
}

void Engine::load() {
    const Clock& clock = m_clock;
    m_store = std::make_unique<Store>(
        m_config.paths.supportDir.filePath(), [&clock] { return clock.now(); }, &m_queue,
        Store::defaultDebounce, Store::defaultOffsetsDebounce);
    m_ingest = std::make_unique<Ingest>(*m_store, filterFor(m_config),
                                        static_cast<int>(m_config.retentionDays), m_clock);
    m_ingest->setFolderRoots(m_folderRoots);
    m_ingest->setVersionsShown(static_cast<int>(m_config.versionsShown));
    m_thumbnails = std::make_unique<ThumbnailMaker>(ThumbnailMaker::defaultWorkers());
    m_ingest->setThumbnailMaker(m_thumbnails.get());
    m_transcripts = std::make_unique<TranscriptSet>(m_config.paths.projectsRoot(), *m_store, transcriptChunk);
    m_store->setOnProblem([this](const Store::Problem& problem) { reportStore(problem); });
    m_transcripts->setRetry(m_queue, [weak = weak_from_this()](const std::string& path) {
        if (auto engine = weak.lock(); engine && !engine->isStopping()) engine->handleEvents({path});
    });
}

Engine::~Engine() {
    // Released before `finish`, the shelf of this run would never reach the disk.
    assert(m_stopped || m_store == nullptr);
    // Watchers first: their reader threads must not deliver into a half-destroyed engine.
    for (auto& watcher : m_watchers) watcher->stop();
    for (auto& [root, watcher] : m_folderWatchers) watcher->stop();
}

std::vector<std::string> Engine::rootsOf(const Config& config) {
    std::vector<std::string> roots;
    Environment env = Env::process();
    for (const std::string& folder : config.watchedFolders) {
        if (folder.empty()) continue;
        std::string root = BrimlyPaths::canonicalRoot(folder, env);
        if (std::find(roots.begin(), roots.end(), root) == roots.end()) roots.push_back(root);
    }
    return roots;
}

ItemFilter Engine::filterFor(const Config& config) const {
    ItemFilter filter;
    filter.ignoreGlobs = config.ignoreGlobs;
    filter.oldest = std::nullopt;
    filter.kinds = config.fileKinds;
    filter.extraExtensions = config.extraExtensions;
    filter.outsideProjectOnly = config.outsideProjectOnly;
    return filter;
}

// Commands posted before a stop still run before it: a hide or delete the user made just before quitting
// must reach the store. Long work checks for a stop request itself (`isStopping`).
void Engine::enqueue(std::function<void(Engine&)> work) {
    std::weak_ptr<Engine> weak = weak_from_this();
    m_queue.post([weak, work = std::move(work)] {
        auto engine = weak.lock();
        if (!engine || engine->m_stopped) return;
        work(*engine);
    });
}

TaskHandle Engine::after(double delay, std::function<void(Engine&)> work) {
    std::weak_ptr<Engine> weak = weak_from_this();
    return m_queue.postAfter(delay, [weak, work = std::move(work)] {
        auto engine = weak.lock();
        if (!engine || engine->isStopping()) return;
        work(*engine);
    });
}

void Engine::start(bool watch) {
    assert(!m_started);
    m_started = true;
    if (watch) {
        // Watching begins before anything is scanned, so that nothing written meanwhile is missed: its
        // events wait on the queue behind the scans, and what both see is taken once.
        enqueue([](Engine& e) {
            if (e.isStopping()) return;
            e.m_watching = true;
            e.syncFolderWatchers();
            e.startWatchers();
            e.armRetention();
        });
    }
    enqueue([](Engine& e) { e.initialScan(); });
}

bool Engine::finish() {
    assert(m_queue.isCurrent());
    m_stopRequested = true;
    if (m_stopped) return m_finalSave;
    m_stopped = true;
    for (auto& watcher : m_watchers) watcher->stop();
    m_watchers.clear();
    for (auto& [root, watcher] : m_folderWatchers) watcher->stop();
    m_folderWatchers.clear();
    m_retentionTimer.cancel();
    m_settleTimer.cancel();
    m_publishTimer.cancel();
    m_rescanTimer.cancel();
    m_pendingChrome.clear();
    m_fileRetries.clear();
    m_watching = false;
    // Thumbnails not drawn yet are drawn from the copies by whoever shows them.
    if (m_ingest) m_ingest->setThumbnailMaker(nullptr);
    m_thumbnails.reset();
    // Stopped before it ever loaded: there is nothing of this run to save.
    m_finalSave = m_store == nullptr || m_store->flush();
    return m_finalSave;
}

void Engine::update(Config config) {
    enqueue([config = std::move(config)](Engine& e) {
        std::vector<std::string> oldRoots = e.m_folderRoots;
        e.m_config = config;
        e.m_folderRoots = rootsOf(e.m_config);
        e.m_ingest->setFilter(e.filterFor(e.m_config));
        e.m_ingest->setFolderRoots(e.m_folderRoots);
        e.m_ingest->setRetentionDays(static_cast<int>(e.m_config.retentionDays));
        e.m_ingest->setVersionsShown(static_cast<int>(e.m_config.versionsShown));
        e.m_scanner.setExtraExtensions(e.m_config.extraExtensions);
        e.m_store->trimVersions(static_cast<std::size_t>(std::max(e.m_config.versionsShown - 1, 0L)));
        e.retentionPass();
        e.m_ingest->regroupFolderItems();
        if (e.m_watching) e.syncFolderWatchers();
        for (const std::string& root : e.m_folderRoots) {
            if (std::find(oldRoots.begin(), oldRoots.end(), root) == oldRoots.end()) e.scanFolder(root);
        }
        e.pruneFolderItems();
        e.armSettle();
        e.publish();
    });
}

void Engine::hide(std::vector<std::string> ids) {
    enqueue([ids = std::move(ids)](Engine& e) {
        for (const std::string& id : ids) e.m_store->hide(id);
        e.schedulePublish();
    });
}

void Engine::unhide(std::vector<std::string> ids) {
    enqueue([ids = std::move(ids)](Engine& e) {
        for (const std::string& id : ids) e.m_store->unhide(id);
        e.schedulePublish();
    });
}

void Engine::remove(std::vector<std::string> ids) {
    enqueue([ids = std::move(ids)](Engine& e) {
        e.m_store->deleteItems(ids);
        e.schedulePublish();
    });
}

void Engine::deleteAll(std::set<std::string> sparing) {
    enqueue([sparing = std::move(sparing)](Engine& e) {
        e.m_store->deleteAll(sparing);
        e.schedulePublish();
    });
}

void Engine::markSeen(std::vector<std::string> ids) {
    enqueue([ids = std::move(ids)](Engine& e) {
        e.m_store->markSeen(ids, e.m_clock.now());
        e.schedulePublish();
    });
}

void Engine::publish() {
    if (m_stopped || !m_handlers.onSnapshot) return;
    Published current{m_store->revision(), m_config.maxItems};
    if (m_published == current) return;
    m_published = current;
    std::shared_ptr<const Snapshot> snapshot = m_store->snapshot(static_cast<std::size_t>(m_config.maxItems));
    m_mainQueue.post([handler = m_handlers.onSnapshot, snapshot] { handler(snapshot); });
}

void Engine::schedulePublish() {
    if (m_publishScheduled) return;
    m_publishScheduled = true;
    m_publishTimer = after(publishDelay, [](Engine& e) {
        e.m_publishScheduled = false;
        e.publish();
    });
}

void Engine::checkClaude() {
    bool found = FileSystem::isDirectory(m_config.paths.projectsRoot().filePath());
    if (!m_handlers.onClaudeFound) return;
    if (m_claudeFound == found) return;
    m_claudeFound = found;
    m_mainQueue.post([handler = m_handlers.onClaudeFound, found] { handler(found); });
}

void Engine::report(EngineStatus status) {
    // The texts name folders, which the log keeps private.
    if (status.resolved) {
        m_log.info("resolved: {}", Log::priv(status.text));
    } else {
        m_log.error("problem: {}", Log::priv(status.text));
    }
    if (!m_handlers.onStatus) return;
    m_mainQueue.post([handler = m_handlers.onStatus, status = std::move(status)] { handler(status); });
}

void Engine::reportStore(const Store::Problem& problem) {
    const std::string& root = m_store->root();
    switch (problem.kind) {
        case Store::Problem::Kind::notWritable:
            report({EngineStatus::Kind::supportNotWritable,
                    "The support folder " + root + " is not writable (" + problem.detail +
                        "): nothing captured can be saved. Make it writable or set BRIMLY_SUPPORT_DIR.",
                    problem.resolved});
            break;
        case Store::Problem::Kind::indexNotSaved:
            report({EngineStatus::Kind::indexNotSaved,
                    problem.resolved ? "The shelf is saved again in " + root + "."
                                     : "The shelf could not be saved in " + root + " (" + problem.detail +
                                           "); it is kept in memory and saved again when that is possible.",
                    problem.resolved});
            break;
        case Store::Problem::Kind::offsetsNotSaved:
            report({EngineStatus::Kind::offsetsNotSaved,
                    problem.resolved
                        ? "The transcript read positions are saved again."
                        : "The transcript read positions could not be saved in " + root + " (" +
                              problem.detail + "); transcripts will be read again at the next start.",
                    problem.resolved});
            break;
        case Store::Problem::Kind::indexMovedAside:
            report({EngineStatus::Kind::indexMovedAside,
                    "The shelf index could not be read and was moved to " + problem.detail +
                        "; the shelf starts empty and keeps every earlier copy in " + root + "/items.",
                    false});
            break;
    }
}

void Engine::initialScan() {
    if (isStopping()) return;
    // The saved shelf is shown at once; what the catch-up finds arrives after it, as it is found.
    checkClaude();
    retentionPass();
    m_store->trimVersions(static_cast<std::size_t>(std::max(m_config.versionsShown - 1, 0L)));
    m_ingest->regroupFolderItems();
    publish();
    m_store->sweepOrphans();
    titlePass();
    catchUp(m_transcripts->recent(m_config.recentWindow, m_clock.now()), 0);
}

// One transcript per task, so that stopping, watcher events, commands and the debounced writes of the store
// get their turn between them.
void Engine::catchUp(std::vector<std::string> transcripts, std::size_t next) {
    if (isStopping()) return;
    if (next == transcripts.size()) {
        m_catchUpSavedAt.reset();
        finishCatchUp();
        return;
    }
    if (!m_catchUpSavedAt) m_catchUpSavedAt = m_clock.now();
    m_transcripts->read(transcripts[next], m_clock.now(),
                        [this](TranscriptBatch batch) { handleBatch(std::move(batch)); });
    enqueue([transcripts = std::move(transcripts), next](Engine& e) mutable {
        e.catchUp(std::move(transcripts), next + 1);
    });
}

void Engine::finishCatchUp() {
    for (const ScratchFile& file : m_scanner.files()) consider(file.url.filePath(), Kind::scratchpad, &file);
    for (const Url& url : ChromeScreenshots::files(m_config.paths.chromeRoot.filePath(),
                                                   m_config.recentWindow, m_clock.now())) {
        consider(url.filePath(), Kind::chrome, nullptr);
    }
    for (const std::string& root : m_folderRoots) scanFolder(root);
    pruneFolderItems();
    armSettle();
    m_store->setNeedsSave();
    publish();
}

void Engine::titlePass() {
    // Copy the keys: noting titles may touch the sessions.
    std::vector<std::pair<std::string, std::string>> sessions;
    for (const auto& [id, session] : m_store->sessions()) {
        if (id == Session::unsortedID || !session.slug) continue;
        sessions.emplace_back(id, *session.slug);
    }
    for (const auto& [id, slug] : sessions) {
        std::string path = m_transcripts->path(slug, id);
        auto info = FileSystem::info(path);
        if (!info || !info->isFile()) continue;
        auto checked = m_store->titleChecks().find(path);
        if (checked != m_store->titleChecks().end() && info->modifiedAt <= checked->second) continue;
        ++m_titleTailReads;
        for (const SessionTitle& title : TranscriptTailer::titles(Url::fromPath(path), titleTailBytes)) {
            m_ingest->noteTitle(title, info->createdAt);
        }
        m_store->setTitleChecked(path, info->modifiedAt);
    }
    m_ingest->backfillFirstPrompts();
}

void Engine::retentionPass() {
    Date now = m_clock.now();
    m_store->purge(now - static_cast<double>(m_config.retentionDays) * 86400.0);
    m_transcripts->prune(m_config.recentWindow, waitingTranscriptIdle, now);
    if (m_settle.trimStamps()) m_folderRejected.clear();
}

void Engine::armRetention() {
    m_retentionTimer = after(retentionInterval, [](Engine& e) {
        e.retentionPass();
        e.schedulePublish();
        e.armRetention();
    });
}

void Engine::handleBatch(TranscriptBatch batch) {
    if (batch.isEmpty()) return;
    std::vector<Ingest::Outcome> outcomes = m_ingest->apply(batch);
    for (std::size_t n = 0; n < outcomes.size() && n < batch.candidates.size(); ++n) {
        logOutcome(outcomes[n], "transcript", describe(batch.candidates[n]));
        noteCapture(outcomes[n]);
        if (outcomes[n].retryable) m_transcripts->holdBack();
    }
    schedulePublish();
    // The debounced writes wait for the end of a task, and one long transcript is one task.
    if (m_catchUpSavedAt && m_clock.now() - *m_catchUpSavedAt >= Store::defaultDebounce) {
        static_cast<void>(m_store->flush());
        m_catchUpSavedAt = m_clock.now();
    }
}

void Engine::noteCapture(const Ingest::Outcome& outcome) {
    if (outcome.retryable) {
        if (m_captureFailing) return;
        m_captureFailing = true;
        report({EngineStatus::Kind::captureFailed,
                "A capture could not be copied into " + m_store->root() + " (" + outcome.text +
                    "); it is tried again until there is room.",
                false});
    } else if (m_captureFailing && outcome.kind != Ingest::Outcome::Kind::rejected) {
        m_captureFailing = false;
        report({EngineStatus::Kind::captureFailed, "Captures are copied again.", true});
    }
}

void Engine::logOutcome(const Ingest::Outcome& outcome, const std::string& sourceWord,
                        const std::string& path) {
    switch (outcome.kind) {
        case Ingest::Outcome::Kind::added:
            m_log.info("added {} from {}", outcome.text, sourceWord);
            break;
        case Ingest::Outcome::Kind::merged:
        case Ingest::Outcome::Kind::updated:
            m_log.info("{} {} from {}", outcome.kind == Ingest::Outcome::Kind::merged ? "merged" : "updated",
                       outcome.text, sourceWord);
            break;
        case Ingest::Outcome::Kind::rejected:
            m_log.info("skipped {}: {}", Log::priv(path.empty() ? sourceWord : path), outcome.text);
            break;
    }
}

}  // namespace brimly
