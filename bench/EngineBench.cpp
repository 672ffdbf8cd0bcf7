// Latency from a transcript line carrying a 1 MB PNG to the snapshot that shows it, with real inotify, the
// engine on its own thread and snapshots on a stand-in main thread; against the 50 ms publish floor. The
// argument is a pause in milliseconds before each append: 0 appends as soon as the previous item is shown.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/support/BenchEngine.h"
#include "bench/support/BenchFiles.h"

namespace brimly {
namespace {

void BM_AppendToSnapshot(benchmark::State& state) {
    constexpr int appends = 200;
    std::string dir = std::filesystem::temp_directory_path() / ("brimly-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir + "/claude/projects/-bench");
    std::string transcript = dir + "/claude/projects/-bench/bench.jsonl";
    std::ofstream(transcript).close();
    Engine::Config config = bench::BenchEngine::config(dir);
    config.maxItems = 5000;
    std::vector<double> latencies;
    for (auto _ : state) {
        bench::BenchEngine engine(config);
        engine.waitFor([](const Snapshot&) { return true; });
        for (int n = 0; n < appends; ++n) {
            std::string line = bench::imageLine(bench::png(600, 580, static_cast<unsigned>(n)), "bench",
                                                "t" + std::to_string(n), SystemClock::shared().now() - 60);
            // With a gap, each append comes after a quiet moment longer than the watcher's coalescing window.
            if (state.range(0) > 0) std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
            auto start = std::chrono::steady_clock::now();
            {
                std::ofstream out(transcript, std::ios::app | std::ios::binary);
                out << line;
            }
            engine.waitFor(
                [n](const Snapshot& shown) { return shown.items.size() >= static_cast<std::size_t>(n) + 1; });
            latencies.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
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
