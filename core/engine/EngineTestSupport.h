#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <optional>
#include <string>

#include "core/base/Crypto.h"
#include "core/base/Json.h"
#include "core/engine/Engine.h"
#include "core/engine/TranscriptTailer.h"
#include "core/testsupport/TempDir.h"

// Transcript lines, file times and engine folders that the engine's tests build alike.
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

inline void setModified(const std::string& path, double unixSeconds) {
    timespec times[2] = {{static_cast<time_t>(unixSeconds), 0}, {static_cast<time_t>(unixSeconds), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
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

}  // namespace brimly::testing
