// The shelf's per-change work on the main thread: grouping, filtering and applying a snapshot. Each must
// stay well under a frame; the target is 1 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/shelf/ShelfFilter.h"
#include "core/shelf/ShelfGroups.h"
#include "core/shelf/ShelfState.h"

namespace brimly {
namespace {

// `itemCount` items spread over `sessionCount` sessions, four prompts each, every fifth item without a
// prompt, every seventh in a watched folder's subfolder, a third of them unread, mixed kinds.
Snapshot makeSnapshot(int itemCount, int sessionCount) {
    Snapshot snapshot;
    constexpr int promptsPerSession = 4;
    for (int s = 0; s < sessionCount; ++s) {
        Session session;
        session.id =
            s % 10 == 9 ? "folder:/home/u/watched" + std::to_string(s) : "session-" + std::to_string(s);
        session.cwd = "/home/u/projects/project" + std::to_string(s % 12);
        session.startedAt = 1000.0 * s;
        session.lastActive = 1000.0 * s + 900;
        snapshot.sessions.push_back(session);
        for (int p = 0; p < promptsPerSession; ++p) {
            snapshot.prompts.push_back({"prompt-" + std::to_string(s) + "-" + std::to_string(p), session.id,
                                        1000.0 * s + 200.0 * p, "do the thing " + std::to_string(p)});
        }
    }
    const ShelfItemKind kinds[] = {ShelfItemKind::image, ShelfItemKind::image,    ShelfItemKind::html,
                                   ShelfItemKind::pdf,   ShelfItemKind::document, ShelfItemKind::video};
    for (int i = 0; i < itemCount; ++i) {
        int s = i % sessionCount;
        const Session& session = snapshot.sessions[static_cast<std::size_t>(s)];
        ShelfItem item;
        item.id = std::string(64 - std::to_string(i).size(), 'a') + std::to_string(i);
        item.kind = kinds[i % 6];
        item.fileURL = Url::fromPath("/home/u/.local/share/brimly/items/" + item.id + ".png");
        item.title = "capture " + std::to_string(i) + ".png";
        item.sessionID = session.id;
        if (session.isWatchedFolder()) {
            item.sourceKinds = {Source::folder};
            item.sourcePath = session.id.substr(7) + (i % 7 == 0 ? "/sub/" : "/") + item.title;
        } else {
            item.sourceKinds = {Source::transcript};
            item.sourcePath = "/tmp/out/" + item.title;
            if (i % 5 != 0) item.promptID = "prompt-" + std::to_string(s) + "-" + std::to_string(i % 4);
        }
        item.createdAt = 1000.0 * s + (i * 37) % 900;
        if (i % 3 != 0) item.seenAt = item.createdAt + 5;
        item.captureID = "toolu_" + std::to_string(i / 3) + "#" + std::to_string(i % 3);
        snapshot.items.push_back(std::move(item));
    }
    return snapshot;
}

void ShelfGroupsBuild(benchmark::State& state) {
    const Snapshot snapshot = makeSnapshot(500, 40);
    for (auto _ : state) benchmark::DoNotOptimize(ShelfGroups::build(snapshot));
}
BENCHMARK(ShelfGroupsBuild)->Unit(benchmark::kMicrosecond);

// The steady case: a snapshot of 5000 known items plus one arrival, with a removal pending and one
// committed, then what the shelf shows.
void ShelfStateApply(benchmark::State& state) {
    Snapshot base = makeSnapshot(5000, 300);
    ShelfState shelf;
    shelf.apply(base);
    shelf.hold({PendingUndo::Delete{{base.items[10].id}}});
    shelf.hold({PendingUndo::Hide{base.items[20]}});
    Snapshot next = base;
    next.items.push_back(next.items.back());
    next.items.back().id = "new-item";
    next.items.back().seenAt.reset();
    for (auto _ : state) {
        state.PauseTiming();
        Snapshot copy = next;
        shelf.restart();
        state.ResumeTiming();
        benchmark::DoNotOptimize(shelf.apply(std::move(copy)));
    }
}
BENCHMARK(ShelfStateApply)->Unit(benchmark::kMicrosecond);

void ShelfStateApplyAndVisible(benchmark::State& state) {
    Snapshot base = makeSnapshot(5000, 300);
    ShelfState shelf;
    shelf.apply(base);
    shelf.hold({PendingUndo::Hide{base.items[20]}});
    for (auto _ : state) {
        state.PauseTiming();
        Snapshot copy = base;
        state.ResumeTiming();
        benchmark::DoNotOptimize(shelf.apply(std::move(copy)));
        benchmark::DoNotOptimize(shelf.visible());
    }
}
BENCHMARK(ShelfStateApplyAndVisible)->Unit(benchmark::kMicrosecond);

void ShelfFilterApplyAndKindCounts(benchmark::State& state) {
    const Snapshot snapshot = makeSnapshot(500, 40);
    const ShelfFilter filter{"project3", {KindFilter::images, KindFilter::documents}, true};
    std::set<std::string> stillNew;
    for (std::size_t i = 0; i < snapshot.items.size(); i += 11) stillNew.insert(snapshot.items[i].id);
    for (auto _ : state) {
        benchmark::DoNotOptimize(filter.apply(snapshot, stillNew));
        benchmark::DoNotOptimize(filter.kindCounts(snapshot, stillNew));
    }
}
BENCHMARK(ShelfFilterApplyAndKindCounts)->Unit(benchmark::kMicrosecond);

// Baseline for the apply figures: replacing a snapshot frees the previous one, 5000 items of owned strings.
void SnapshotRelease(benchmark::State& state) {
    const Snapshot base = makeSnapshot(5000, 300);
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = std::make_unique<Snapshot>(base);
        state.ResumeTiming();
        copy.reset();
    }
}
BENCHMARK(SnapshotRelease)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brimly
