// Writes a busy month's shelf (5000 items, 300 sessions, 3000 prompts, ending now) into a support folder, for
// the desktop app's start-up benchmark (bench/app-start.sh). Usage: ShelfWriter <support folder>
#include <cstdio>

#include "bench/support/BenchShelf.h"
#include "core/base/Clock.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ShelfWriter <support folder>\n");
        return 2;
    }
    brimly::Date now = brimly::SystemClock::shared().now();
    brimly::bench::writeShelf(argv[1], brimly::bench::ShelfShape{.start = now - 30 * 86400});
    return 0;
}
