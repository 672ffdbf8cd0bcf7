// One tail pass over realistic transcripts (prefilter, parse, candidates; no ingest), against grep counting
// user lines, jq extracting the same embedded images, and cat, all over the same files in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/engine/TranscriptTailer.h"

namespace {

namespace fs = std::filesystem;
using brimly::TranscriptBatch;
using brimly::TranscriptTailer;

constexpr int fileCount = 4;
constexpr std::size_t fileBytes = std::size_t{8} << 20;

std::string words(std::mt19937& random, std::size_t bytes) {
    static const char* vocabulary[] = {"the",      "file",  "render", "chart",      "\\n",
                                       "function", "const", "return", "error",      "\\\"quoted\\\"",
                                       "build",    "test",  "with",   "screenshot", "a"};
    std::string text;
    while (text.size() < bytes) {
        text += vocabulary[random() % std::size(vocabulary)];
        text += ' ';
    }
    return text;
}

std::string base64(std::mt19937& random, std::size_t bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text(bytes, 'A');
    for (char& c : text) c = alphabet[random() % 64];
    return text;
}

// Line kinds and sizes as real sessions have them: mostly small assistant, progress and tool lines, a few
// prompts, and now and then a tool result with a 0.5 to 1 MB screenshot.
std::string line(std::mt19937& random, int n) {
    const std::string head =
        R"({"parentUuid":"6e66c413-4156-4759-a807-bd371fd7ebeb","isSidechain":false,)"
        R"("userType":"external","cwd":"/home/dev/project","sessionId":"cfa88393-fc66-480f-)"
        R"(8762-fa85a33d1d9f","version":"2.1.114","gitBranch":"main",)";
    const std::string tail =
        R"(,"uuid":"21fba4a4-f5e6-4420-a4e8-be64383362f9","timestamp":"2026-07-02T17:09:30.242Z"})";
    const std::string id = "toolu_" + std::to_string(n);
    int kind = static_cast<int>(random() % 400);
    if (kind == 0) {
        return head +
               R"("promptId":"p1","type":"user","message":{"role":"user","content":[{"tool_use_id":")" + id +
               R"(","type":"tool_result","content":[{"type":"image","source":{"type":"base64",)" +
               R"("media_type":"image/png","data":")" + base64(random, 500000 + random() % 500000) +
               R"("}}]}]})" + tail;
    }
    if (kind < 140) {
        return head +
               R"("type":"assistant","message":{"model":"claude-opus","id":"msg_01","type":"message",)" +
               R"("role":"assistant","content":[{"type":"text","text":")" +
               words(random, 200 + random() % 2500) + R"("}]})" + tail;
    }
    if (kind < 220) {
        return R"({"type":"progress","data":{"message":")" + words(random, 300 + random() % 1500) + R"("},)" +
               R"("toolUseID":")" + id + R"(","sessionId":"cfa88393"})";
    }
    if (kind < 300) {
        return head +
               R"("type":"assistant","message":{"role":"assistant","content":[{"type":"tool_use","id":")" +
               id + R"(","name":"Read","input":{"file_path":"/home/dev/project/src/)" + std::to_string(n) +
               R"(.ts"}}]})" + tail;
    }
    if (kind < 385) {
        return head +
               R"("promptId":"p1","type":"user","message":{"role":"user","content":[{"tool_use_id":")" + id +
               R"(","type":"tool_result","content":")" + words(random, 1000 + random() % 7000) + R"("}]})" +
               tail;
    }
    return head + R"("promptId":"p1","type":"user","message":{"role":"user","content":")" +
           words(random, 50 + random() % 400) + R"("})" + tail;
}

struct Corpus {
    std::string folder;
    std::vector<std::string> files;
    std::string fileList;  // shell-quoted, for the command-line tools
    std::size_t bytes = 0;
    std::size_t images = 0;

    Corpus() {
        std::string pattern = fs::temp_directory_path().string() + "/brimly-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        fs::create_directories(folder + "/proj");
        std::mt19937 random(42);
        int n = 0;
        for (int f = 0; f < fileCount; ++f) {
            std::string path = folder + "/proj/session-" + std::to_string(f) + ".jsonl";
            std::ofstream out(path, std::ios::binary);
            std::size_t written = 0;
            while (written < fileBytes) {
                std::string text = line(random, n++) + "\n";
                if (text.find(R"("type":"image")") != std::string::npos) ++images;
                out << text;
                written += text.size();
            }
            bytes += written;
            files.push_back(path);
            fileList += " '" + path + "'";
        }
    }
    ~Corpus() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

Corpus& corpus() {
    static Corpus made;
    return made;
}

// Throughput per baseline, for the ratios printed when the run ends.
struct Ratios {
    std::map<std::string, double> bytesPerSecond;
    ~Ratios() {
        auto get = [&](const char* name) {
            auto found = bytesPerSecond.find(name);
            return found == bytesPerSecond.end() ? 0.0 : found->second;
        };
        double whole = get("tail whole files");
        if (whole <= 0) return;
        std::fprintf(stderr, "\nwhole-file tail pass: %.0f MB/s\n", whole / 1e6);
        for (const char* baseline : {"grep -F -c", "jq images", "cat"}) {
            double other = get(baseline);
            if (other > 0)
                std::fprintf(stderr, "  %.2fx %s (%.0f MB/s)\n", whole / other, baseline, other / 1e6);
        }
        double window = get("tail 4 MiB window");
        if (window > 0) std::fprintf(stderr, "4 MiB window tail pass: %.0f MB/s\n", window / 1e6);
    }
} ratios;

void record(benchmark::State& state, const char* name, std::size_t bytesPerIteration, double seconds) {
    state.SetBytesProcessed(static_cast<std::int64_t>(bytesPerIteration) * state.iterations());
    if (seconds > 0) {
        ratios.bytesPerSecond[name] =
            static_cast<double>(bytesPerIteration) * static_cast<double>(state.iterations()) / seconds;
    }
}

template <typename Body>
double timed(benchmark::State& state, Body&& body) {
    double total = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return total;
}

void tail(benchmark::State& state, bool whole) {
    Corpus& data = corpus();
    std::size_t candidates = 0;
    std::size_t bytes = 0;
    for (const std::string& path : data.files) {
        std::size_t size = fs::file_size(path);
        bytes += whole ? size : std::min<std::size_t>(size, TranscriptTailer::defaultWindow);
    }
    double seconds = timed(state, [&] {
        candidates = 0;
        for (const std::string& path : data.files) {
            std::optional<std::uint64_t> offset;
            if (whole) offset = 0;
            TranscriptTailer tailer(brimly::Url::fromPath(path), offset, TranscriptTailer::defaultWindow,
                                    4194304);
            tailer.read([&](TranscriptBatch batch) {
                candidates += batch.candidates.size();
                benchmark::DoNotOptimize(batch);
            });
        }
    });
    state.counters["candidates"] = static_cast<double>(candidates);
    record(state, whole ? "tail whole files" : "tail 4 MiB window", bytes, seconds);
}

void run(benchmark::State& state, const char* name, const std::string& command) {
    Corpus& data = corpus();
    double seconds = timed(state, [&] {
        if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    });
    record(state, name, data.bytes, seconds);
}

void tailWholeFiles(benchmark::State& state) { tail(state, true); }
void tailWindow(benchmark::State& state) { tail(state, false); }
void grepUserLines(benchmark::State& state) {
    // Not to /dev/null: grep then stops at the first match instead of counting.
    run(state, "grep -F -c",
        "grep -F -c '\"type\":\"user\"'" + corpus().fileList + " >'" + corpus().folder + "/counts'");
}
void jqImages(benchmark::State& state) {
    run(state, "jq images",
        "jq -r 'select(.type == \"user\" and .message.role == \"user\") | .message.content[]? | "
        "select(.type == \"tool_result\") | .content[]? | select(.type == \"image\" and .source.type == "
        "\"base64\") | .source.data'" +
            corpus().fileList + " >/dev/null");
}
void catFiles(benchmark::State& state) { run(state, "cat", "cat" + corpus().fileList + " >/dev/null"); }

}  // namespace

BENCHMARK(tailWholeFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(tailWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(grepUserLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(jqImages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(catFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
