#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "core/base/Clock.h"
#include "core/base/ManualQueue.h"
#include "core/engine/Ingest.h"
#include "core/engine/TranscriptBatch.h"
#include "core/engine/TranscriptSet.h"
#include "core/store/Store.h"
#include "core/testsupport/TempDir.h"

namespace brimly {
namespace {

using testing::TempDir;

// The store, ingest and transcripts of an engine whose queue is a manual one, owned by the test's thread.
struct Confined {
    TempDir dir;
    ManualClock clock{800'000'000};
    ManualQueue queue;
    Store store{dir / "support", [this] { return clock.now(); }, &queue};
    Ingest ingest{store, ItemFilter{}, 30, clock};
    TranscriptSet transcripts{Url::fromPath(dir.makeDir("projects")), store, 1 << 20};
};

void fromAnotherThread(const std::function<void()>& call) { std::thread(call).join(); }

TEST(QueueConfinementDeathTest, CallsFromOffTheQueueFail) {
#ifdef NDEBUG
    GTEST_SKIP() << "the checks are asserts";
#endif
    Confined engine;
    SessionSighting sighting{.id = "s", .at = engine.clock.now()};
    engine.ingest.noteSession(sighting);
    engine.transcripts.prune(0, 0, engine.clock.now());
    // clang-format off
    const std::function<void()> calls[] = {
        [&] { engine.ingest.noteSession(sighting); },
        [&] { engine.ingest.ingest(Candidate{Source::scratchpad, {Payload::Bytes{"x", "png"}}}); },
        [&] { engine.transcripts.read(engine.dir / "projects/p/s.jsonl", engine.clock.now(), {}); },
        [&] { engine.transcripts.prune(0, 0, engine.clock.now()); },
    };
    // clang-format on
    for (const auto& call : calls) EXPECT_DEATH(fromAnotherThread(call), "isCurrent");
}

}  // namespace
}  // namespace brimly
