// Store start-up, one index write and snapshots over a large shelf: 5000 items, 300 sessions, 3000 prompts.
// The baseline is reading and parsing index.json alone (BM_ReadAndParseIndex).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <random>

#include "core/base/AtomicFile.h"
#include "core/base/Json.h"
#include "core/store/Store.h"

namespace brimly {
namespace {

constexpr int itemCount = 5000;
constexpr int sessionCount = 300;
constexpr int promptCount = 3000;
constexpr Date start = 780'000'000;

std::string hex(std::mt19937_64& random) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int index = 0; index < 64; ++index) text.push_back(digits[random() % 16]);
    return text;
}

// A support folder with an index like a busy month's, and an empty file for every copy it names.
class Shelf {
public:
    Shelf() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/brimly-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_root = pattern;
        std::filesystem::create_directories(m_root + "/items");
        std::filesystem::create_directories(m_root + "/thumbs");
        std::mt19937_64 random(42);
        StoreIndex index;
        index.lastRunAt = start + 40 * 86400;
        for (int number = 0; number < sessionCount; ++number) {
            Session session;
            session.id = "session-" + std::to_string(number);
            session.slug = "brave-red-fox";
            session.cwd = "/home/user/projects/project-" + std::to_string(number % 20);
            session.branch = "main";
            session.startedAt = start + number * 8000.0;
            session.lastActive = session.startedAt + 3600;
            session.aiTitle = "Fix the flaky upload test " + std::to_string(number);
            index.sessions.push_back(std::move(session));
        }
        for (int number = 0; number < promptCount; ++number) {
            int session = number % sessionCount;
            index.prompts.push_back({"prompt-" + std::to_string(number), "session-" + std::to_string(session),
                                     start + session * 8000.0 + (number / sessionCount) * 300.0,
                                     "Make the chart's legend readable on dark backgrounds and check it"});
        }
        for (int number = 0; number < itemCount; ++number) {
            ShelfItem item;
            item.id = hex(random);
            item.kind = ShelfItemKind::image;
            std::string copy = m_root + "/items/" + item.id + ".png";
            AtomicFile::write(copy, "");
            item.fileURL = Url::fromPath(copy);
            int session = number % sessionCount;
            item.sourcePath = "/tmp/claude-1000/project/scratchpad/shot-" + std::to_string(number) + ".png";
            item.title = "shot-" + std::to_string(number) + ".png";
            item.sessionID = "session-" + std::to_string(session);
            if (number % 2 == 0) item.promptID = "prompt-" + std::to_string(number % promptCount);
            item.sourceKinds = {Source::scratchpad, Source::transcript};
            item.createdAt = start + session * 8000.0 + (number / sessionCount) * 200.0;
            if (number % 3 == 0) item.seenAt = item.createdAt + 60;
            item.width = 1920;
            item.height = 1080;
            item.captureID = "toolu_" + std::to_string(number);
            if (number % 10 == 0) {
                std::string earlier = m_root + "/items/" + hex(random) + ".png";
                AtomicFile::write(earlier, "");
                item.versions.push_back(
                    {Url::fromPath(earlier), item.createdAt - 100, std::nullopt, 1920, 1080});
            }
            index.items.push_back(std::move(item));
        }
        AtomicFile::write(m_root + "/index.json", index.encode());
    }
    ~Shelf() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    const std::string& root() const { return m_root; }

    static Shelf& shared() {
        static Shelf shelf;
        return shelf;
    }

private:
    std::string m_root;
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
        store.flush();
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
