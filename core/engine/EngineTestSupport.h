#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/base/AtomicFile.h"
#include "core/base/Clock.h"
#include "core/base/Crypto.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/ManualQueue.h"
#include "core/base/ThreadQueue.h"
#include "core/engine/Engine.h"
#include "core/engine/EngineHost.h"
#include "core/engine/EngineProbe.h"
#include "core/engine/TranscriptTailer.h"
#include "core/store/StoreIndex.h"
#include "core/testsupport/FileTimes.h"
#include "core/testsupport/TempDir.h"
#include "core/testsupport/TestImages.h"

// Transcript lines, engine folders and running engines that the engine's tests build alike.
namespace brimly::testing {

// A user line of session "s1" with `content`; `fields` are laid over it.
inline std::string userLine(Json content, const Json& fields = Json::object()) {
    Json line = {{"type", "user"},
                 {"sessionId", "s1"},
                 {"message", {{"role", "user"}, {"content", std::move(content)}}}};
    line.update(fields);
    return line.dump() + "\n";
}

inline std::string promptLine(const std::string& promptID, const std::string& text,
                              const Json& fields = Json::object()) {
    Json all = {{"promptId", promptID}, {"timestamp", "2026-01-01T00:00:00Z"}};
    all.update(fields);
    return userLine(text, all);
}

inline std::string toolUseLine(const std::string& id, const std::string& name,
                               std::optional<std::string> filePath = std::nullopt) {
    Json input = Json::object();
    if (filePath) input["file_path"] = *filePath;
    Json line = {{"type", "assistant"},
                 {"sessionId", "s1"},
                 {"message",
                  {{"role", "assistant"},
                   {"content", {{{"type", "tool_use"}, {"id", id}, {"name", name}, {"input", input}}}}}}};
    return line.dump() + "\n";
}

inline std::string toolResultLine(const std::string& id, Json content = "ok",
                                  const Json& fields = Json::object()) {
    Json all = {{"promptId", "p1"}, {"timestamp", "2026-01-01T00:00:05Z"}};
    all.update(fields);
    return userLine(
        Json::array({{{"type", "tool_result"}, {"tool_use_id", id}, {"content", std::move(content)}}}), all);
}

inline Json imageBlock(const std::string& base64) {
    return {{"type", "image"},
            {"source", {{"type", "base64"}, {"media_type", "image/png"}, {"data", base64}}}};
}

// A tool result carrying `png` as its one image.
inline std::string imageResultLine(const std::string& toolID, const std::string& png, const Json& fields) {
    return toolResultLine(toolID, Json::array({imageBlock(Crypto::base64Encode(png))}), fields);
}

inline void appendTo(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

// Everything one read hands over, batches joined.
inline TranscriptBatch readAll(TranscriptTailer& tailer, int* calls = nullptr) {
    TranscriptBatch all;
    tailer.read([&](TranscriptBatch batch) {
        if (calls != nullptr) ++*calls;
        for (auto& s : batch.sessions) all.sessions.push_back(std::move(s));
        for (auto& p : batch.prompts) all.prompts.push_back(std::move(p));
        for (auto& c : batch.candidates) all.candidates.push_back(std::move(c));
        for (auto& t : batch.titles) all.titles.push_back(std::move(t));
        all.fileCreated = batch.fileCreated;
    });
    return all;
}

// An engine whose Claude home, scratchpads, support folder and browser folder all sit under `dir`.
inline Engine::Config engineConfig(const TempDir& dir) {
    return Engine::Config{.paths = BrimlyPaths{.claudeHome = Url::fromPath(dir / "claude"),
                                               .scratchRoot = Url::fromPath(dir / "scratch"),
                                               .supportDir = Url::fromPath(dir / "support"),
                                               .chromeRoot = Url::fromPath(dir / "tmp")}};
}

// A transcript of `session` under `dir`'s Claude home holding one screenshot `width` wide, written a minute
// ago.
inline std::string writeTranscript(const TempDir& dir, const std::string& session, int width) {
    return dir.write("claude/projects/-p/" + session + ".jsonl",
                     imageResultLine("t" + session, TestImages::png(width, 40),
                                     {{"sessionId", session},
                                      {"timestamp", formatIso8601(SystemClock::shared().now() - 60)}}));
}

// The index saved in the support folder of an engine made with `engineConfig(dir)`.
inline std::optional<StoreIndex> savedIndex(const TempDir& dir) {
    return StoreIndex::decode(AtomicFile::read(dir / "support/index.json").value_or(""));
}

// An engine host on virtual time with everything it reports recorded: `advance` moves the clock and both
// queues together.
struct VirtualEngine {
    void start(Engine::Config config) {
        Engine::Handlers handlers{
            .onSnapshot = [this](std::shared_ptr<const Snapshot> snapshot) { snapshots.push_back(snapshot); },
            .onClaudeFound = [this](bool found) { claudeFound.push_back(found); },
            .onStatus = [this](const EngineStatus& status) { statuses.push_back(status); },
        };
        host = std::make_unique<EngineHost>(std::move(config), clock, queue, main, std::move(handlers));
        host->start(false);
    }
    Engine& engine() { return host->engine(); }
    Store& store() { return EngineProbe::store(engine()); }
    std::size_t itemCount() { return store().items().size(); }
    void receive(std::string watchRoot, std::vector<std::string> paths,
                 std::vector<std::uint32_t> flags = {}) {
        EngineProbe::receive(engine(), std::move(watchRoot), std::move(paths), std::move(flags));
    }
    void advance(double seconds) {
        // Small steps, so that the clock follows the queue's time.
        for (; seconds > 1e-9; seconds -= 0.01) {
            clock.advance(std::min(seconds, 0.01));
            queue.advance(std::min(seconds, 0.01));
        }
        main.runUntilIdle();
    }
    void settle() {
        queue.runUntilIdle();
        main.runUntilIdle();
    }

    TempDir dir;
    ManualClock clock{SystemClock::shared().now()};
    ManualQueue queue;
    ManualQueue main;
    std::vector<std::shared_ptr<const Snapshot>> snapshots;
    std::vector<bool> claudeFound;
    std::vector<EngineStatus> statuses;
    // Last, so that it stops before the queues and the folder go.
    std::unique_ptr<EngineHost> host;
};

// An engine on its own thread with real watchers; what it reports arrives on a second thread standing in for
// the main one, and tests wait for what they need (the deadline only bounds a failure).
class LiveEngine {
public:
    explicit LiveEngine(const Engine::Config& config) {
        Engine::Handlers handlers{.onSnapshot =
                                      [this](std::shared_ptr<const Snapshot> snapshot) {
                                          std::lock_guard lock(m_mutex);
                                          m_latest = std::move(snapshot);
                                          m_changed.notify_all();
                                      },
                                  .onStatus =
                                      [this](const EngineStatus& status) {
                                          std::lock_guard lock(m_mutex);
                                          m_statuses.push_back(status);
                                          m_changed.notify_all();
                                      }};
        m_host = std::make_unique<EngineHost>(config, SystemClock::shared(), m_main, std::move(handlers));
        m_host->start(true);
    }
    ~LiveEngine() { drop(); }
    // Dropping the host stops the engine and writes the store.
    void drop() {
        m_host.reset();
        m_main.drain();
    }
    // The first snapshot that satisfies `test`, or nothing at the deadline.
    std::shared_ptr<const Snapshot> waitFor(const std::function<bool(const Snapshot&)>& test) {
        std::unique_lock lock(m_mutex);
        bool met =
            m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_latest && test(*m_latest); });
        return met ? m_latest : nullptr;
    }
    std::vector<EngineStatus> waitForStatus() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return !m_statuses.empty(); });
        return m_statuses;
    }
    std::vector<EngineStatus> statuses() {
        std::lock_guard lock(m_mutex);
        return m_statuses;
    }
    std::unique_ptr<EngineHost>& host() { return m_host; }
    Engine& engine() { return m_host->engine(); }
    ThreadQueue& main() { return m_main; }

private:
    ThreadQueue m_main{"main"};
    std::unique_ptr<EngineHost> m_host;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::shared_ptr<const Snapshot> m_latest;
    std::vector<EngineStatus> m_statuses;
};

}  // namespace brimly::testing
