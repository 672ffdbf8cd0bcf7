// Store start-up, one index write and snapshots over a large shelf: 5000 items, 300 sessions, 3000 prompts.
// The baseline is reading and parsing index.json alone (BM_ReadAndParseIndex).
#include <benchmark/benchmark.h>

#include "bench/support/BenchFiles.h"
#include "bench/support/BenchShelf.h"
#include "core/base/AtomicFile.h"
#include "core/base/Json.h"
#include "core/store/Store.h"

namespace brimly {
namespace {

constexpr int itemCount = 5000;
constexpr Date start = 780'000'000;

// A support folder with an index like a busy month's, written once per run.
class Shelf {
public:
    Shelf() { bench::writeShelf(m_folder.path(), {.items = itemCount, .start = start}); }
    const std::string& root() const { return m_folder.path(); }

    static Shelf& shared() {
        static Shelf shelf;
        return shelf;
    }

private:
    bench::BenchFolder m_folder;
};

Store::NowFunction fixedNow() {
    return [] { return start + 40 * 86400; };
}

void BM_ReadAndParseIndex(benchmark::State& state) {
    const std::string path = Shelf::shared().root() + "/index.json";
    for (auto _ : state) {
        auto text = AtomicFile::read(path);
        auto parsed = JsonIO::parse(*text);
        benchmark::DoNotOptimize(parsed);
    }
}
BENCHMARK(BM_ReadAndParseIndex)->Unit(benchmark::kMillisecond);

void BM_StoreStartUp(benchmark::State& state) {
    for (auto _ : state) {
        Store store(Shelf::shared().root(), fixedNow());
        if (store.items().size() != itemCount) state.SkipWithError("the index did not load");
        benchmark::DoNotOptimize(store.revision());
    }
}
BENCHMARK(BM_StoreStartUp)->Unit(benchmark::kMillisecond);

void BM_StoreStartUpAndFirstSnapshot(benchmark::State& state) {
    for (auto _ : state) {
        Store store(Shelf::shared().root(), fixedNow());
        benchmark::DoNotOptimize(store.snapshot(500));
    }
}
BENCHMARK(BM_StoreStartUpAndFirstSnapshot)->Unit(benchmark::kMillisecond);

void BM_IndexWrite(benchmark::State& state) {
    Store store(Shelf::shared().root(), fixedNow());
    for (auto _ : state) {
        store.setNeedsSave();
        if (!store.flush()) state.SkipWithError("index not saved");
    }
}
BENCHMARK(BM_IndexWrite)->Unit(benchmark::kMillisecond);

void BM_Snapshot500(benchmark::State& state) {
    Store store(Shelf::shared().root(), fixedNow());
    for (auto _ : state) {
        store.setNeedsSave();
        auto snapshot = store.snapshot(500);
        if (snapshot->items.size() != 500) state.SkipWithError("wrong snapshot size");
        benchmark::DoNotOptimize(snapshot);
    }
}
BENCHMARK(BM_Snapshot500)->Unit(benchmark::kMicrosecond);

void BM_Snapshot500Cached(benchmark::State& state) {
    Store store(Shelf::shared().root(), fixedNow());
    store.snapshot(500);
    for (auto _ : state) benchmark::DoNotOptimize(store.snapshot(500));
}
BENCHMARK(BM_Snapshot500Cached)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brimly
