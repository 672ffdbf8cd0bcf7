// The engine's file sources: watchers, event routing, settle checks, forced rescans and watched folders.
#include <algorithm>

#include "core/config/BrimlyPaths.h"
#include "core/engine/ChromeScreenshots.h"
#include "core/engine/Engine.h"
#include "core/engine/WatchHub.h"
#include "core/engine/WatchedFolder.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {
// Deep enough for root / slug / session / "scratchpad" / file and for subagent transcripts.
constexpr int claudeTreeDepth = 4;
constexpr const char* chromeFolderPrefix = "claude-chrome-screenshots-";
constexpr double chromeLatency = 1.0;
// The temporary-files folder is read at most once per hold while other programs' files come and go there;
// screenshots are still delivered on time because they wait out the latency anyway.
static_assert(WatchHub::busyHold <= chromeLatency);
// A watched folder is listed this deep and this far at most, so a folder like the home folder stays cheap.
constexpr int folderScanDepth = 16;
constexpr std::size_t folderScanLimit = 20000;
}  // namespace

Engine::WatchHandler Engine::watchHandler(std::string root) {
    std::weak_ptr<Engine> weak = weak_from_this();
    return [weak, root = std::move(root)](const std::vector<std::string>& paths,
                                          const std::vector<std::uint32_t>& flags) {
        auto engine = weak.lock();
        if (!engine || engine->m_stopped) return;
        if (root == engine->m_projectsWatchPath) engine->checkClaude();
        if (std::any_of(flags.begin(), flags.end(), DirectoryWatcher::mustRescan))
            engine->requestRescan(root);
        engine->handleEvents(paths);
    };
}

DirectoryWatcher::FailureHandler Engine::failureHandler(std::string root) {
    std::weak_ptr<Engine> weak = weak_from_this();
    return [weak, root = std::move(root)](const WatchFailure& failure) {
        auto engine = weak.lock();
        if (!engine || engine->m_stopped) return;
        // Watchers share one inotify instance, so one refusal may reach each of them.
        if (!engine->m_watchFailures.insert(failure.text).second) return;
        engine->report({EngineStatus::Kind::watcherFailed, failure.text + " (while watching " + root + ")"});
    };
}

// A file that could not be copied for a reason that may pass (a full disk) is looked at again later, with
// the same session it was found for, waiting longer each time.
void Engine::retryFile(const std::string& path, Candidate candidate) {
    double& delay = m_fileRetryDelay[path];
    delay = delay == 0 ? fileRetryFirst : std::min(delay * 2, fileRetryLongest);
    m_settle.forget(path);
    m_fileRetries[path] = after(delay, [path, candidate = std::move(candidate)](Engine& e) mutable {
        e.m_fileRetries.erase(path);
        auto info = FileSystem::info(path);
        if (!info || !info->isFile()) {
            e.m_fileRetryDelay.erase(path);
            return;
        }
        e.m_settle.observe(path, {static_cast<std::int64_t>(info->size), info->modifiedAt}, e.m_queue.now(),
                           std::move(candidate));
        e.armSettle();
    });
}

void Engine::startWatchers() {
    DirectoryWatcher::Limits claudeLimits;
    claudeLimits.depth = claudeTreeDepth;
    DirectoryWatcher::Limits chromeLimits;
    chromeLimits.depth = 2;
    chromeLimits.firstLevelPrefix = chromeFolderPrefix;
    chromeLimits.busyRoot = true;
    struct Root {
        std::string path;
        double latency;
        bool noDefer;
        DirectoryWatcher::Limits limits;
    };
    const Root roots[] = {{m_scratchWatchPath, 0.25, true, claudeLimits},
                          {m_projectsWatchPath, 0.25, true, claudeLimits},
                          {m_chromeWatchPath, chromeLatency, false, chromeLimits}};
    for (const Root& root : roots) {
        auto watcher =
            std::make_unique<DirectoryWatcher>(std::vector<std::string>{root.path}, root.latency,
                                               root.noDefer, m_queue, watchHandler(root.path), root.limits);
        watcher->setFailureHandler(failureHandler(root.path));
        watcher->start();
        m_watchedPaths.push_back(root.path);
        m_watchers.push_back(std::move(watcher));
    }
}

void Engine::syncFolderWatchers() {
    for (auto it = m_folderWatchers.begin(); it != m_folderWatchers.end();) {
        if (std::find(m_folderRoots.begin(), m_folderRoots.end(), it->first) == m_folderRoots.end()) {
            it->second->stop();
            it = m_folderWatchers.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::string& root : m_folderRoots) {
        if (m_folderWatchers.count(root) != 0) continue;
        std::string watched = BrimlyPaths::canonicalThroughExistingAncestor(root);
        auto watcher = std::make_unique<DirectoryWatcher>(std::vector<std::string>{watched}, 0.25, true,
                                                          m_queue, watchHandler(root));
        watcher->setFailureHandler(failureHandler(root));
        watcher->start();
        m_folderWatchers[root] = std::move(watcher);
    }
}

void Engine::scanFolder(const std::string& root) {
    std::vector<std::pair<std::string, int>> folders{{root, 0}};
    std::size_t seen = 0;
    while (!folders.empty() && seen < folderScanLimit) {
        auto [folder, depth] = folders.back();
        folders.pop_back();
        auto entries = FileSystem::list(folder);
        if (!entries) continue;
        for (const DirectoryEntry& entry : *entries) {
            if (entry.name.empty() || entry.name.front() == '.') continue;
            std::string path = FileSystem::join(folder, entry.name);
            if (entry.info.isDirectory()) {
                if (depth + 1 < folderScanDepth) folders.emplace_back(path, depth + 1);
            } else if (entry.info.isFile() && ++seen <= folderScanLimit) {
                if (m_folderRejected.count(path) == 0) consider(path, Kind::folder, nullptr);
            }
        }
    }
}

void Engine::pruneFolderItems() {
    std::vector<std::string> gone;
    for (const auto& [id, item] : m_store->items()) {
        if (item.sourceKinds != std::set<Source>{Source::folder} || !item.sourcePath) continue;
        if (!WatchedFolder::root(*item.sourcePath, m_folderRoots)) gone.push_back(id);
    }
    for (const std::string& id : gone) {
        auto it = m_store->items().find(id);
        std::optional<std::string> path = it->second.sourcePath;
        m_store->remove(id);
        if (path) m_settle.forget(*path);
    }
    if (!gone.empty()) schedulePublish();
}

void Engine::requestRescan(const std::string& root) {
    bool wasEmpty = m_pendingRescans.empty();
    m_pendingRescans.insert(root);
    if (wasEmpty) m_rescanTimer = after(rescanWait, [](Engine& e) { e.performRescans(); });
}

void Engine::performRescans() {
    std::set<std::string> roots;
    roots.swap(m_pendingRescans);
    for (const std::string& root : roots) rescan(root);
}

void Engine::rescan(const std::string& root) {
    ++m_rescans;
    std::vector<std::string> paths;
    Date now = m_clock.now();
    if (root == m_scratchWatchPath) {
        for (const ScratchFile& file : m_scanner.files()) {
            std::string path = file.url.filePath();
            paths.push_back(FileSystem::parentPath(path));
            paths.push_back(path);
        }
    } else if (root == m_projectsWatchPath) {
        paths = m_transcripts->recent(m_config.recentWindow, now);
    } else if (root == m_chromeWatchPath) {
        for (const Url& url :
             ChromeScreenshots::files(m_config.paths.chromeRoot.filePath(), m_config.recentWindow, now)) {
            paths.push_back(url.filePath());
        }
    } else if (std::find(m_folderRoots.begin(), m_folderRoots.end(), root) != m_folderRoots.end()) {
        m_log.info("events dropped, rescanning {}", Log::priv(root));
        scanFolder(root);
        pruneFolderItems();
        armSettle();
        schedulePublish();
        return;
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    m_log.info("events dropped, rescanning {} paths", static_cast<long>(paths.size()));
    handleEvents(paths);
}

void Engine::handleEvents(const std::vector<std::string>& paths) {
    bool changed = false;
    std::set<std::string> scratchpadsDone;
    for (const std::string& path : paths) {
        if (auto scratchpad = m_scanner.scratchpad(path)) {
            std::string folder = scratchpad->filePath();
            if (!scratchpadsDone.insert(folder).second) continue;
            for (const ScratchFile& file : m_scanner.files(folder)) {
                consider(file.url.filePath(), Kind::scratchpad, &file);
            }
        } else if (m_transcripts->owns(path)) {
            m_transcripts->read(path, m_clock.now(), [this, &changed](TranscriptBatch batch) {
                if (batch.isEmpty()) return;
                changed = true;
                handleBatch(std::move(batch));
            });
        } else if (ChromeScreenshots::matches(path)) {
            holdChrome(path);
        } else if (WatchedFolder::root(path, m_folderRoots)) {
            if (m_folderRejected.count(path) == 0) consider(path, Kind::folder, nullptr);
        }
    }
    armSettle();
    if (changed) schedulePublish();
}

void Engine::holdChrome(const std::string& path) {
    if (m_pendingChrome.count(path) != 0) return;
    m_pendingChrome[path] = after(m_config.chromeHold, [path](Engine& e) {
        e.m_pendingChrome.erase(path);
        e.consider(path, Kind::chrome, nullptr);
        e.armSettle();
    });
}

bool Engine::consider(const std::string& path, Kind kind, const ScratchFile* scratch) {
    std::string name = FileSystem::lastComponent(path);
    if (name.empty() || name.front() == '.') return false;
    if (kind == Kind::folder && !WatchedFolder::admits(path, m_folderRoots, m_supportRealPath)) return false;
    auto info = FileSystem::info(path);
    if (!info || !info->isFile()) return false;
    FileStamp stamp{static_cast<std::int64_t>(info->size), info->modifiedAt};
    if (!m_settle.isSettling(path) && m_store->hasIngested(path, info->modifiedAt)) {
        m_settle.stamp(path, stamp);
        return false;
    }
    Candidate candidate{.source = kind == Kind::scratchpad ? Source::scratchpad
                                  : kind == Kind::chrome   ? Source::chrome
                                                           : Source::folder,
                        .payload = Payload{Payload::File{Url::fromPath(path)}}};
    candidate.createdAt = info->createdAt;
    if (scratch) {
        candidate.sessionID = scratch->sessionID;
        candidate.slug = scratch->slug;
    }
    if (kind == Kind::folder) candidate.arrivedAt = m_clock.now();
    return m_settle.observe(path, stamp, m_queue.now(), std::move(candidate));
}

void Engine::armSettle() {
    std::optional<double> next = m_settle.nextDue();
    if (!next) {
        m_settleTimer.cancel();
        m_settleTimerDue.reset();
        return;
    }
    if (m_settleTimerDue && *m_settleTimerDue <= *next) return;
    m_settleTimerDue = next;
    m_settleTimer = after(std::max(0.0, *next - m_queue.now()), [](Engine& e) { e.runSettle(); });
}

// A burst of files is taken a few at a time, each few its own task: snapshots go out while the burst is
// still being copied, and a stop does not wait for the whole of it.
void Engine::runSettle() {
    m_settleTimerDue.reset();
    if (isStopping()) return;
    bool changed = false;
    int taken = 0;
    for (const std::string& path : m_settle.due(m_queue.now())) {
        if (taken == settleBatch) break;
        std::optional<FileStamp> current;
        if (auto info = FileSystem::info(path); info && info->isFile()) {
            current = FileStamp{static_cast<std::int64_t>(info->size), info->modifiedAt};
        }
        SettleTracker::Check check = m_settle.check(path, current, m_queue.now());
        if (check.result != SettleTracker::Result::settled || !check.candidate) continue;
        Source source = check.candidate->source;
        ++taken;
        Ingest::Outcome outcome = m_ingest->ingest(*check.candidate);
        logOutcome(outcome, std::string(Sources::rawValue(source)), path);
        noteCapture(outcome);
        if (outcome.retryable) {
            retryFile(path, *check.candidate);
            continue;
        }
        m_fileRetryDelay.erase(path);
        if (outcome.kind == Ingest::Outcome::Kind::rejected && source == Source::folder) {
            m_folderRejected.insert(path);
        }
        changed = true;
    }
    armSettle();
    if (changed) schedulePublish();
}

}  // namespace brimly
