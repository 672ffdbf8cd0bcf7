// 1000 screenshots dropped into a scratchpad at once, with the engine watching: the time until all of them
// are on the shelf (copied and probed; thumbnails follow on their own threads) and the time until every
// thumbnail is written too (`thumbnails_s`), against `vipsthumbnail` making 360-px thumbnails of the same
// files in one run. Throughput ratio = vipsthumbnail's time / the engine's time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "bench/support/BenchEngine.h"
#include "bench/support/BenchFiles.h"

namespace brimly {
namespace {

constexpr int fileCount = 1000;

// 1280×800 screenshots of a plain page, each with its own bytes (equal bytes would merge into one item).
class Drop {
public:
    Drop() {
        std::string picture = bench::png(1280, 800, 7, true);
        for (int n = 0; n < fileCount; ++n) {
            bench::writeFile(staged(n), bench::withTag(picture, "shot " + std::to_string(n)));
        }
        std::filesystem::create_directories(m_folder / "scratch");
        std::filesystem::permissions(m_folder / "scratch", std::filesystem::perms::owner_all);
        m_bytes = picture.size();
    }

    std::string staged(int n) const { return m_folder / ("stage/shot-" + std::to_string(n) + ".png"); }
    std::string scratchpad() const { return m_folder / "scratch/-home-user-app/session-1/scratchpad"; }
    std::string folder(const std::string& name) const { return m_folder / name; }
    const std::string& root() const { return m_folder.path(); }
    std::size_t bytes() const { return m_bytes; }

    static const Drop& shared() {
        static Drop drop;
        return drop;
    }

private:
    bench::BenchFolder m_folder;
    std::size_t m_bytes = 0;
};

void BM_VipsthumbnailOverTheFiles(benchmark::State& state) {
    const Drop& drop = Drop::shared();
    std::string out = drop.folder("thumbs");
    std::string command = "vipsthumbnail -s 360 -o '" + out + "/%s.jpg'";
    for (int n = 0; n < fileCount; ++n) command += " '" + drop.staged(n) + "'";
    for (auto _ : state) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        if (std::system(command.c_str()) != 0) return state.SkipWithError("vipsthumbnail failed");
    }
    state.counters["files_per_s"] =
        benchmark::Counter(fileCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_VipsthumbnailOverTheFiles)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EngineTakesTheDrop(benchmark::State& state) {
    const Drop& drop = Drop::shared();
    double thumbnailSeconds = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(drop.folder("support"));
        std::filesystem::remove_all(drop.folder("scratch/-home-user-app"));
        std::filesystem::create_directories(drop.scratchpad());
        Engine::Config config = bench::BenchEngine::config(drop.root());
        config.maxItems = 5000;
        bench::BenchEngine engine(config);
        engine.waitFor([](const Snapshot&) { return true; });
        auto start = std::chrono::steady_clock::now();
        // Complete files appear at once, as when a tool writes them elsewhere and moves them in.
        for (int n = 0; n < fileCount; ++n) {
            std::filesystem::copy_file(drop.staged(n),
                                       drop.scratchpad() + "/shot-" + std::to_string(n) + ".png");
        }
        engine.waitFor([](const Snapshot& shown) { return shown.items.size() >= fileCount; });
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // Nothing announces the last thumbnail; the folder is counted every 20 ms.
        const auto thumbnails = [&] {
            auto files = std::filesystem::directory_iterator(drop.folder("support/thumbs"));
            return std::count_if(begin(files), end(files),
                                 [](const auto& entry) { return entry.path().extension() == ".jpg"; });
        };
        while (thumbnails() < fileCount) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        thumbnailSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["thumbnails_s"] = thumbnailSeconds / double(state.iterations());
    state.counters["files_per_s"] =
        benchmark::Counter(fileCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EngineTakesTheDrop)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimly
