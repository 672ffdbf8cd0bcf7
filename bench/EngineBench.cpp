// Latency from a transcript line carrying a 1 MB PNG to the snapshot that shows it, with real inotify, the
// engine on its own thread and snapshots on a stand-in main thread; against the 50 ms publish floor. The
// argument is a pause in milliseconds before each append: 0 appends as soon as the previous item is shown.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/base/Crypto.h"
#include "core/base/Iso8601.h"
#include "core/base/Json.h"
#include "core/base/ThreadQueue.h"
#include "core/engine/Engine.h"

namespace brimly {
namespace {

std::uint32_t crc32(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void chunk(std::string& out, std::string_view type, std::string_view data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type) + std::string(data);
    out += body;
    put32(out, crc32(body));
}

// An RGB PNG with stored deflate blocks, so its size is about width × height × 3 bytes.
std::string png(std::uint32_t width, std::uint32_t height, unsigned seed) {
    std::string raw;
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (std::uint32_t x = 0; x < width * 3; ++x)
            raw.push_back(static_cast<char>((x * 7 + y * 3 + seed) & 0xFF));
    }
    std::string z = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (char ch : raw) {
        a = (a + static_cast<unsigned char>(ch)) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + length == raw.size() ? 1 : 0);
        z.push_back(static_cast<char>(length & 0xFF));
        z.push_back(static_cast<char>(length >> 8));
        z.push_back(static_cast<char>(~length & 0xFF));
        z.push_back(static_cast<char>((~length >> 8) & 0xFF));
        z.append(raw, at, length);
    }
    put32(z, (b << 16) | a);
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", "");
    return out;
}

std::string imageLine(const std::string& png, int n, Date at) {
    Json image = {
        {"type", "image"},
        {"source", {{"type", "base64"}, {"media_type", "image/png"}, {"data", Crypto::base64Encode(png)}}}};
    Json line = {
        {"type", "user"},
        {"sessionId", "bench"},
        {"promptId", "p1"},
        {"timestamp", formatIso8601(at)},
        {"message",
         {{"role", "user"},
          {"content",
           {{{"type", "tool_result"}, {"tool_use_id", "t" + std::to_string(n)}, {"content", {image}}}}}}}};
    return line.dump() + "\n";
}

void BM_AppendToSnapshot(benchmark::State& state) {
    constexpr int appends = 200;
    std::string dir = std::filesystem::temp_directory_path() / ("brimly-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir + "/claude/projects/-bench");
    std::string transcript = dir + "/claude/projects/-bench/bench.jsonl";
    std::ofstream(transcript).close();
    Engine::Config config{.paths =
                              BrimlyPaths{Url::fromPath(dir + "/claude"), Url::fromPath(dir + "/scratch"),
                                          Url::fromPath(dir + "/support"), Url::fromPath(dir + "/tmp")}};
    config.maxItems = 5000;
    std::vector<double> latencies;
    for (auto _ : state) {
        ThreadQueue queue("app.brimly.engine");
        ThreadQueue main("main");
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t shown = 0;
        bool any = false;
        auto engine = Engine::make(config, SystemClock::shared(), queue, main);
        engine->setOnSnapshot([&](std::shared_ptr<const Snapshot> snapshot) {
            std::lock_guard lock(mutex);
            shown = snapshot->items.size();
            any = true;
            changed.notify_all();
        });
        engine->start(true);
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return any; });
        }
        for (int n = 0; n < appends; ++n) {
            std::string line =
                imageLine(png(600, 580, static_cast<unsigned>(n)), n, SystemClock::shared().now() - 60);
            // With a gap, each append comes after a quiet moment longer than the watcher's coalescing window.
            if (state.range(0) > 0) std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
            auto start = std::chrono::steady_clock::now();
            {
                std::ofstream out(transcript, std::ios::app | std::ios::binary);
                out << line;
            }
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return shown >= static_cast<std::size_t>(n) + 1; });
            latencies.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        engine->stop();
        main.drain();
        queue.drain();
    }
    std::filesystem::remove_all(dir);
    std::sort(latencies.begin(), latencies.end());
    double p50 = latencies[latencies.size() / 2];
    double p99 = latencies[latencies.size() * 99 / 100];
    state.counters["p50_ms"] = p50;
    state.counters["p99_ms"] = p99;
    state.counters["p50_vs_50ms_floor"] = p50 / 50.0;
    state.counters["p99_vs_50ms_floor"] = p99 / 50.0;
}
BENCHMARK(BM_AppendToSnapshot)->Arg(0)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimly
