// Writes a busy month's shelf (5000 items, 300 sessions, 3000 prompts, ending now, unless other counts are
// given) into a support folder, for the desktop app's benchmarks (bench/app-start.sh, bench/drawer-views.sh).
// Usage: ShelfWriter <support folder> [items sessions prompts]
#include <cstdio>
#include <cstdlib>

#include "bench/support/BenchShelf.h"
#include "core/base/Clock.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: ShelfWriter <support folder> [items sessions prompts]\n");
        return 2;
    }
    brimly::Date now = brimly::SystemClock::shared().now();
    brimly::bench::ShelfShape shape{.start = now - 30 * 86400};
    if (argc == 5) {
        shape.items = std::atoi(argv[2]);
        shape.sessions = std::atoi(argv[3]);
        shape.prompts = std::atoi(argv[4]);
    }
    brimly::bench::writeShelf(argv[1], shape);
    return 0;
}
